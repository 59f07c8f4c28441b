#pragma once

// Internal to the expression trees (expression*.cpp): the operators, the
// nodes and the passes that finish a tree. The nodes evaluate in
// expression_nodes.cpp, the passes run in expression_finish.cpp, and
// expression.cpp builds the trees.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "runtime/variant.h"
#include "script/designator.h"
#include "script/expression.h"
#include "script/expression_node.h"
#include "script/items.h"
#include "script/proc_call.h"
#include "script/scope.h"

namespace script::expr {

using runtime::Variant;

enum class Op : uint8_t {
    None,
    Great,
    Less,
    LessEq,
    GreatEq,
    NonEq,
    Eq,
    Plus,
    StrCat,
    Minus,
    Or,
    Xor,
    Mul,
    DivFloat,
    DivInt,
    Mod,
    And,
    Shl,
    Shr,
    LeftBracket,
    RightBracket,
    Not,
    UnMinus,
    In,
    Is,
};

struct OperatorInfo {
    Op op;
    std::string_view text;  // as AddOperator accepts it, upper case
    int priority;           // smaller binds tighter; operands are 0
};

inline constexpr OperatorInfo kOperators[] = {
    {Op::None, " ", 7},    {Op::Great, ">", 4},         {Op::Less, "<", 4},
    {Op::LessEq, "<=", 4}, {Op::GreatEq, ">=", 4},      {Op::NonEq, "<>", 4},
    {Op::Eq, "=", 4},      {Op::Plus, "+", 3},          {Op::StrCat, "STRCAT", 3},
    {Op::Minus, "-", 3},   {Op::Or, "OR", 3},           {Op::Xor, "XOR", 3},
    {Op::Mul, "*", 2},     {Op::DivFloat, "/", 2},      {Op::DivInt, "DIV", 2},
    {Op::Mod, "MOD", 2},   {Op::And, "AND", 2},         {Op::Shl, "SHL", 2},
    {Op::Shr, "SHR", 2},   {Op::LeftBracket, "(", 6},   {Op::RightBracket, ")", 5},
    {Op::Not, "NOT", 1},   {Op::UnMinus, "UNMINUS", 1}, {Op::In, "IN", 4},
    {Op::Is, "IS", 4},
};
static_assert(std::size(kOperators) == static_cast<size_t>(Op::Is) + 1,
              "every operator has its row");

consteval bool OperatorsInOrder() {
    for (size_t i = 0; i < std::size(kOperators); ++i)
        if (static_cast<size_t>(kOperators[i].op) != i) return false;
    return true;
}
static_assert(OperatorsInOrder(), "kOperators rows must follow the order of Op");

inline const OperatorInfo& InfoOf(Op op) {
    return kOperators[static_cast<size_t>(op)];
}

inline bool IsComparison(Op op) {
    return op >= Op::Great && op <= Op::Eq;
}

// The kind of a constant's value.
TscTypeKind KindOfValue(const Variant& v);

class ConstantNode final : public TscExpressionNode {
  public:
    ConstantNode(Variant v, std::string position)
        : TscExpressionNode(std::move(position)), value(std::move(v)) {
        nodeClass = NodeClass::Constant;
        kind = KindOfValue(value);
        pure = true;
    }
    const Variant& EvalRef(Variant&) override { return value; }
    bool EvalBool() override { return value.AsBoolean(); }

    Variant value;
};

class DesignatorNode final : public TscExpressionNode {
  public:
    DesignatorNode(std::unique_ptr<TscDesignator> d, std::string position)
        : TscExpressionNode(std::move(position)), designator(std::move(d)) {
        nodeClass = NodeClass::Designator;
        kind = designator->Kind;
        typeName = designator->DeclTypeName;
        if (designator->DesignatorKind == 1 && designator->Deferred == nullptr &&
            designator->LinkedItem != nullptr && designator->LinkedItem->HoldsValue())
            variable = designator->LinkedItem;
        if (auto* call = dynamic_cast<TscCallDesignator*>(designator.get())) {
            const TscDesignatorItem& step = *call->Step(0);
            callProc = static_cast<TscProcVariable*>(step.Ref);
            callArgument = SimpleCallArgument(step);
            callShape = CallShape::Unresolved;
        }
    }
    const Variant& EvalRef(Variant& scratch) override {
        if (variable != nullptr) return variable->Value;
        if (callShape == CallShape::Unresolved) ResolveCallShape();
        if (callShape == CallShape::Simple) {
            // The call runs here, not one machine call further down; the
            // argument is computed straight into the value the parameter
            // takes.
            if (argumentRoot != nullptr) {
                Variant value;
                const Variant& computed = argumentRoot->EvalRef(value);
                if (&computed != &value) value = computed;
                callProc->NeedResult = designator->NeedResult;
                // Expressions are evaluated only while the program runs.
                ProcedureRun::Call<true>(*callProc, &value, scratch);
            } else {
                scratch = SimpleCall(*callProc, callArgument, designator->NeedResult);
            }
            return scratch;
        }
        scratch = designator->GetValue();
        return scratch;
    }
    bool EvalBool() override {
        return variable != nullptr ? variable->Value.AsBoolean()
                                   : designator->GetValue().AsBoolean();
    }

    std::unique_ptr<TscDesignator> designator;
    TscCustomVariable* variable = nullptr;  // a plain variable, read directly

  private:
    // A call of a script procedure of the simple shape is made from here.
    // The shape is settled on the first run, when the procedure's
    // declaration is complete (a forward one is not while the caller is
    // built).
    enum class CallShape : uint8_t { None, Unresolved, Simple };
    void ResolveCallShape() {
        const TscDesignatorItem& step = *designator->Step(0);
        callShape = IsSimpleCall(*callProc, step) ? CallShape::Simple : CallShape::None;
        if (callArgument != nullptr && callArgument->ItemClass() == TscItemClass::Expression)
            argumentRoot = static_cast<TscExpression*>(callArgument)->Root();
    }

    CallShape callShape = CallShape::None;
    TscProcVariable* callProc = nullptr;
    TscCustomExpression* callArgument = nullptr;
    TscExpressionNode* argumentRoot = nullptr;  // the finished tree of a one-argument call
};

class SetNode final : public TscExpressionNode {
  public:
    SetNode(std::unique_ptr<TscSetExpression> s, std::string position)
        : TscExpressionNode(std::move(position)), set(std::move(s)) {
        nodeClass = NodeClass::Set;
    }
    const Variant& EvalRef(Variant& scratch) override {
        scratch = set->GetValue();
        return scratch;
    }

    std::unique_ptr<TscSetExpression> set;
};

template <typename T>
T* NodeAs(TscExpressionNode* node, TscExpressionNode::NodeClass nodeClass) {
    return node != nullptr && node->nodeClass == nodeClass ? static_cast<T*>(node) : nullptr;
}
template <typename T>
const T* NodeAs(const TscExpressionNode* node, TscExpressionNode::NodeClass nodeClass) {
    return node != nullptr && node->nodeClass == nodeClass ? static_cast<const T*>(node) : nullptr;
}
template <typename N>
auto AsConstant(N* node) {
    using T = std::conditional_t<std::is_const_v<N>, const ConstantNode, ConstantNode>;
    return NodeAs<std::remove_const_t<T>>(node, TscExpressionNode::NodeClass::Constant);
}
template <typename N>
auto AsDesignator(N* node) {
    using T = std::conditional_t<std::is_const_v<N>, const DesignatorNode, DesignatorNode>;
    return NodeAs<std::remove_const_t<T>>(node, TscExpressionNode::NodeClass::Designator);
}
template <typename N>
auto AsSet(N* node) {
    using T = std::conditional_t<std::is_const_v<N>, const SetNode, SetNode>;
    return NodeAs<std::remove_const_t<T>>(node, TscExpressionNode::NodeClass::Set);
}

class OperatorNode : public TscExpressionNode {
  public:
    OperatorNode(Op o, std::string position) : TscExpressionNode(std::move(position)), op(o) {}

    bool IsOperator() const override { return true; }
    int Priority() const override { return InfoOf(op).priority; }
    const Variant& EvalRef(Variant& scratch) override;
    bool EvalBool() override;

    // Fixes what Finish knows: which operands are values held in place.
    void Prepare(bool rightPure) {
        rightIsPure = rightPure;
        leftValue = HeldValue(left.get());
        rightValue = HeldValue(right.get());
    }

    Op op;
    bool bothBoolean = false;

  protected:
    // The operands' values, the left one first.
    struct Operands {
        const Variant& a;
        const Variant& b;
    };
    Operands Evaluate(Variant& leftScratch, Variant& rightScratch) {
        const Variant* a = leftValue != nullptr ? leftValue : &Operand(left, leftScratch);
        if (!rightIsPure && a != &leftScratch) {
            leftScratch = *a;
            a = &leftScratch;
        }
        return {*a, rightValue != nullptr ? *rightValue : Operand(right, rightScratch)};
    }
    // A constant's value or a plain variable's: read without a call.
    static const Variant* HeldValue(TscExpressionNode* node);

    // Evaluating the right operand runs nothing that could change the left
    // operand's value, so the left one is read in place.
    bool rightIsPure = false;
    const Variant* leftValue = nullptr;
    const Variant* rightValue = nullptr;
    [[gnu::always_inline]] static const Variant& Operand(
        const std::unique_ptr<TscExpressionNode>& node, Variant& scratch) {
        if (node) return node->EvalRef(scratch);
        scratch = Variant::Null();
        return scratch;
    }
    bool Compare();
    bool InSet(const Variant& value);
    bool IsInstance(const Variant& value);

  public:
    // acc := acc op right operand, for a binary operator whose left
    // operand's value is acc (the loop of a SpineNode).
    virtual void Combine(Variant& acc);
};

// The node for an operator: the arithmetic and comparison ones get their
// operation compiled in.
std::unique_ptr<OperatorNode> MakeOperator(Op op, std::string position);

// Whether the node is an operator with two operands, which a spine is made
// of.
bool IsBinary(const TscExpressionNode* node);

// of one nested machine call each.
class SpineNode final : public TscExpressionNode {
  public:
    explicit SpineNode(std::unique_ptr<TscExpressionNode> top) : TscExpressionNode(top->position) {
        kind = top->kind;
        typeName = top->typeName;
        pure = top->pure;
        parent = top->parent;
        for (TscExpressionNode* n = top.get(); IsBinary(n); n = n->left.get())
            spine.push_back(static_cast<OperatorNode*>(n));
        std::reverse(spine.begin(), spine.end());
        top->parent = this;
        left = std::move(top);
    }
    const Variant& EvalRef(Variant& scratch) override {
        OperatorNode& bottom = *spine.front();
        scratch = bottom.left ? bottom.left->Eval() : Variant::Null();
        for (OperatorNode* node : spine) node->Combine(scratch);
        return scratch;
    }

    std::vector<OperatorNode*> spine;  // bottom first
};

// ---- the passes that finish a tree, children first (expression_finish.cpp) ----

// Gives an operator its result kind from its operands'; when they do not
// fit, the first such operator leaves its position in `error`.
void CheckTypes(TscExpressionNode& node, const TscScope& script, std::string& error);
// Replaces a constant's name, and an operator whose operands are constants
// now, by the value.
void Fold(std::unique_ptr<TscExpressionNode>& slot);
// Whether the node's subtree is pure, its children's purity known.
void MarkPure(TscExpressionNode& node);
// Puts a SpineNode over every long run of left-grouped operators.
void MakeSpines(std::unique_ptr<TscExpressionNode>& root);

}  // namespace script::expr

#include "script/expression.h"

#include <algorithm>
#include <array>
#include <string>
#include <type_traits>
#include <vector>

#include "runtime/classinfo.h"
#include "runtime/exceptions.h"
#include "runtime/handles.h"
#include "runtime/strings.h"
#include "script/conversions.h"
#include "script/designator.h"
#include "script/errors.h"
#include "script/expression_node.h"
#include "script/limits.h"
#include "script/proc_call.h"
#include "script/run_guard.h"
#include "script/scope.h"

namespace script {

using runtime::Variant;

namespace {

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

constexpr OperatorInfo kOperators[] = {
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

constexpr bool OperatorsInOrder() {
    for (size_t i = 0; i < std::size(kOperators); ++i)
        if (static_cast<size_t>(kOperators[i].op) != i) return false;
    return true;
}
static_assert(OperatorsInOrder(), "kOperators rows must follow the order of Op");

const OperatorInfo& InfoOf(Op op) {
    return kOperators[static_cast<size_t>(op)];
}

bool IsComparison(Op op) {
    return op >= Op::Great && op <= Op::Eq;
}

// Which operators a left operand of each kind allows.
bool Allowed(TscTypeKind kind, Op op) {
    switch (kind) {
        case fskBool:
            return op == Op::NonEq || op == Op::Eq || op == Op::Or || op == Op::Xor ||
                   op == Op::And || op == Op::Not;
        case fskChar:
        case fskString:
            return IsComparison(op) || op == Op::Plus || op == Op::StrCat || op == Op::In;
        case fskClass:
        case fskArray:
            return op == Op::NonEq || op == Op::Eq;
        default:
            return true;
    }
}

[[noreturn]] void RaiseSyntax() {
    throw EScriptError(std::string(MessageText(Msg::SyntaxError)));
}

TscTypeKind KindOfValue(const Variant& v) {
    switch (v.Type()) {
        case runtime::varBoolean:
            return fskBool;
        case runtime::varSingle:
        case runtime::varDouble:
        case runtime::varCurrency:
            return fskFloat;
        case runtime::varString:
        case runtime::varOleStr:
            return fskString;
        default:
            return fskInt;
    }
}

}  // namespace

// ---- nodes ------------------------------------------------------------------------

TscExpressionNode::~TscExpressionNode() {
    if (!left && !right) return;
    std::vector<std::unique_ptr<TscExpressionNode>> pending;
    if (left) pending.push_back(std::move(left));
    if (right) pending.push_back(std::move(right));
    while (!pending.empty()) {
        std::unique_ptr<TscExpressionNode> node = std::move(pending.back());
        pending.pop_back();
        if (node->left) pending.push_back(std::move(node->left));
        if (node->right) pending.push_back(std::move(node->right));
    }
}

namespace {

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

// The operations bound into the arithmetic and comparison nodes; the
// Variant operators take Integer pairs inline.
template <Op kOp>
Variant Arithmetic(const Variant& a, const Variant& b) {
    if constexpr (kOp == Op::Plus) {
        CheckConcatenation(a, b);
        return a + b;
    } else if constexpr (kOp == Op::Minus) {
        return a - b;
    } else if constexpr (kOp == Op::Mul) {
        return a * b;
    } else if constexpr (kOp == Op::DivFloat) {
        return a / b;
    } else if constexpr (kOp == Op::DivInt) {
        return runtime::VarIntDiv(a, b);
    } else if constexpr (kOp == Op::Mod) {
        return runtime::VarMod(a, b);
    } else if constexpr (kOp == Op::Shl) {
        return runtime::VarShl(a, b);
    } else if constexpr (kOp == Op::Shr) {
        return runtime::VarShr(a, b);
    } else {
        static_assert(kOp == Op::Xor);
        return runtime::VarXor(a, b);
    }
}

// Arithmetic<op> for an operation known only at run time.
Variant ApplyArithmetic(Op op, const Variant& a, const Variant& b) {
    switch (op) {
        case Op::Plus:
            return Arithmetic<Op::Plus>(a, b);
        case Op::Minus:
            return Arithmetic<Op::Minus>(a, b);
        case Op::Mul:
            return Arithmetic<Op::Mul>(a, b);
        case Op::DivFloat:
            return Arithmetic<Op::DivFloat>(a, b);
        case Op::DivInt:
            return Arithmetic<Op::DivInt>(a, b);
        case Op::Mod:
            return Arithmetic<Op::Mod>(a, b);
        case Op::Shl:
            return Arithmetic<Op::Shl>(a, b);
        case Op::Shr:
            return Arithmetic<Op::Shr>(a, b);
        default:  // Op::Xor: only the arithmetic operations come here
            return Arithmetic<Op::Xor>(a, b);
    }
}

template <Op kOp>
bool Comparison(const Variant& a, const Variant& b) {
    if constexpr (kOp == Op::Great) {
        return a > b;
    } else if constexpr (kOp == Op::Less) {
        return a < b;
    } else if constexpr (kOp == Op::LessEq) {
        return a <= b;
    } else if constexpr (kOp == Op::GreatEq) {
        return a >= b;
    } else if constexpr (kOp == Op::NonEq) {
        return !(a == b);
    } else {
        static_assert(kOp == Op::Eq);
        return a == b;
    }
}

// + - * / div mod shl shr xor: one class per operation, so the operation
// is compiled into the node.
template <Op kOp>
class ArithmeticNode final : public OperatorNode {
  public:
    explicit ArithmeticNode(std::string position) : OperatorNode(kOp, std::move(position)) {}

    const Variant& EvalRef(Variant& scratch) override {
        const Variant* a = leftValue != nullptr ? leftValue : &Operand(left, scratch);
        if (!rightIsPure && a != &scratch) {
            scratch = *a;
            a = &scratch;
        }
        if (a == &scratch) {
            // The left value is a temporary of this node's own: a + b + c
            // grows one text instead of copying it at every operator.
            Combine(scratch);
        } else if (rightValue != nullptr) {
            scratch = Arithmetic<kOp>(*a, *rightValue);
        } else {
            Variant rightScratch;
            scratch = Arithmetic<kOp>(*a, Operand(right, rightScratch));
        }
        return scratch;
    }
    void Combine(Variant& acc) override {
        Variant rightScratch;
        const Variant& b = rightValue != nullptr ? *rightValue : Operand(right, rightScratch);
        if constexpr (kOp == Op::Plus)
            AddTo(acc, b);
        else
            acc = Arithmetic<kOp>(acc, b);
    }
};

// The six comparisons.
template <Op kOp>
class ComparisonNode final : public OperatorNode {
  public:
    explicit ComparisonNode(std::string position) : OperatorNode(kOp, std::move(position)) {}

    bool EvalBool() override {
        if (leftValue != nullptr && rightValue != nullptr)
            return Comparison<kOp>(*leftValue, *rightValue);
        Variant leftScratch;
        const Variant* a = leftValue != nullptr ? leftValue : &Operand(left, leftScratch);
        if (!rightIsPure && a != &leftScratch) {
            leftScratch = *a;
            a = &leftScratch;
        }
        if (rightValue != nullptr) return Comparison<kOp>(*a, *rightValue);
        Variant rightScratch;
        return Comparison<kOp>(*a, Operand(right, rightScratch));
    }
    const Variant& EvalRef(Variant& scratch) override {
        scratch = Variant(EvalBool());
        return scratch;
    }
    void Combine(Variant& acc) override {
        Variant rightScratch;
        const Variant& b = rightValue != nullptr ? *rightValue : Operand(right, rightScratch);
        acc = Variant(Comparison<kOp>(acc, b));
    }
};

template <template <Op> class Node, Op kOp>
std::unique_ptr<OperatorNode> NewNode(std::string position) {
    return std::make_unique<Node<kOp>>(std::move(position));
}

// The node for an operator: the arithmetic and comparison ones get their
// operation compiled in.
std::unique_ptr<OperatorNode> MakeOperator(Op op, std::string position) {
    static constexpr struct {
        Op op;
        std::unique_ptr<OperatorNode> (*make)(std::string position);
    } kBound[] = {
        {Op::Plus, NewNode<ArithmeticNode, Op::Plus>},
        {Op::Minus, NewNode<ArithmeticNode, Op::Minus>},
        {Op::Mul, NewNode<ArithmeticNode, Op::Mul>},
        {Op::DivFloat, NewNode<ArithmeticNode, Op::DivFloat>},
        {Op::DivInt, NewNode<ArithmeticNode, Op::DivInt>},
        {Op::Mod, NewNode<ArithmeticNode, Op::Mod>},
        {Op::Shl, NewNode<ArithmeticNode, Op::Shl>},
        {Op::Shr, NewNode<ArithmeticNode, Op::Shr>},
        {Op::Xor, NewNode<ArithmeticNode, Op::Xor>},
        {Op::Great, NewNode<ComparisonNode, Op::Great>},
        {Op::Less, NewNode<ComparisonNode, Op::Less>},
        {Op::LessEq, NewNode<ComparisonNode, Op::LessEq>},
        {Op::GreatEq, NewNode<ComparisonNode, Op::GreatEq>},
        {Op::NonEq, NewNode<ComparisonNode, Op::NonEq>},
        {Op::Eq, NewNode<ComparisonNode, Op::Eq>},
    };
    for (const auto& row : kBound)
        if (row.op == op) return row.make(std::move(position));
    return std::make_unique<OperatorNode>(op, std::move(position));
}

const Variant* OperatorNode::HeldValue(TscExpressionNode* node) {
    if (auto* constant = AsConstant(node)) return &constant->value;
    if (auto* designator = AsDesignator(node))
        return designator->variable != nullptr ? &designator->variable->Value : nullptr;
    return nullptr;
}

// A set value laid out as elements, with a range stored as low, Null, high.
bool InSetValue(const Variant& value, const Variant& set) {
    if (set.ArrayDimCount() != 1) return false;
    const int32_t low = set.ArrayLowBound(1);
    const int32_t high = set.ArrayHighBound(1);
    int32_t i = low;
    while (i <= high) {
        const Variant element = set.GetElement({i});
        if (i + 2 <= high && set.GetElement({i + 1}).IsNull()) {
            if (value >= element && value <= set.GetElement({i + 2})) return true;
            i += 3;
        } else {
            if (value == element) return true;
            ++i;
        }
    }
    return false;
}

bool OperatorNode::InSet(const Variant& value) {
    if (auto* setNode = AsSet(right.get())) return setNode->set->Contains(value);
    Variant set;
    return InSetValue(value, Operand(right, set));
}

bool OperatorNode::IsInstance(const Variant& value) {
    auto* target = AsDesignator(right.get());
    if (target == nullptr || target->designator->StepCount() == 0) return false;
    TscCustomVariable* first = target->designator->Step(0)->Ref;
    if (first == nullptr || first->ItemClass() != TscItemClass::ClassVariable) return false;
    const runtime::TClassInfo* classInfo = static_cast<TscClassVariable*>(first)->ClassRef;
    if (value.IsNull() || value.IsEmpty() || classInfo == nullptr) return false;
    const runtime::TObject* object = runtime::ObjectOfHandle(value.AsInt64());
    return object != nullptr && object->InheritsFrom(*classInfo);
}

bool OperatorNode::Compare() {
    Variant ls, rs;
    const Operands o = Evaluate(ls, rs);
    switch (op) {
        case Op::Great:
            return o.a > o.b;
        case Op::Less:
            return o.a < o.b;
        case Op::LessEq:
            return o.a <= o.b;
        case Op::GreatEq:
            return o.a >= o.b;
        case Op::NonEq:
            return !(o.a == o.b);
        default:
            return o.a == o.b;
    }
}

bool OperatorNode::EvalBool() {
    switch (op) {
        case Op::Great:
        case Op::Less:
        case Op::LessEq:
        case Op::GreatEq:
        case Op::NonEq:
        case Op::Eq:
            return Compare();
        case Op::In: {
            Variant scratch;
            return InSet(Operand(left, scratch));
        }
        case Op::Is: {
            Variant scratch;
            return IsInstance(Operand(left, scratch));
        }
        case Op::Or:
            if (bothBoolean) return (left && left->EvalBool()) || (right && right->EvalBool());
            break;
        case Op::And:
            if (bothBoolean) return left && left->EvalBool() && right && right->EvalBool();
            break;
        case Op::None:
        case Op::LeftBracket:
            if (left) return left->EvalBool();
            break;
        default:
            break;
    }
    Variant scratch;
    return EvalRef(scratch).AsBoolean();
}

const Variant& OperatorNode::EvalRef(Variant& scratch) {
    Variant ls, rs;
    switch (op) {
        case Op::None:
        case Op::LeftBracket:
        case Op::RightBracket:
            return Operand(left, scratch);
        case Op::Great:
        case Op::Less:
        case Op::LessEq:
        case Op::GreatEq:
        case Op::NonEq:
        case Op::Eq:
        case Op::In:
        case Op::Is:
            scratch = Variant(EvalBool());
            return scratch;
        case Op::Plus:
        case Op::Minus:
        case Op::Mul:
        case Op::DivFloat:
        case Op::DivInt:
        case Op::Mod:
        case Op::Shl:
        case Op::Shr:
        case Op::Xor: {
            const Operands o = Evaluate(ls, rs);
            scratch = ApplyArithmetic(op, o.a, o.b);
            return scratch;
        }
        case Op::StrCat: {
            const Operands o = Evaluate(ls, rs);
            CheckConcatenation(o.a, o.b);
            scratch = o.a.Type() == runtime::varString ? Variant(o.a.AsString() + o.b.AsString())
                                                       : o.a + o.b;
            return scratch;
        }
        case Op::Or:
            if (bothBoolean) {
                const Variant& a = Operand(left, scratch);
                return a.AsBoolean() ? a : Operand(right, scratch);
            } else {
                const Operands o = Evaluate(ls, rs);
                scratch = runtime::VarOr(o.a, o.b);
                return scratch;
            }
        case Op::And:
            if (bothBoolean) {
                const Variant& a = Operand(left, scratch);
                return a.AsBoolean() ? Operand(right, scratch) : a;
            } else {
                const Operands o = Evaluate(ls, rs);
                scratch = runtime::VarAnd(o.a, o.b);
                return scratch;
            }
        case Op::Not:
            scratch = runtime::VarNot(Operand(left, ls));
            return scratch;
        case Op::UnMinus:
            scratch = runtime::VarNeg(Operand(left, ls));
            return scratch;
    }
    scratch = Variant::Null();
    return scratch;
}

void OperatorNode::Combine(Variant& acc) {
    Variant rs;
    switch (op) {
        case Op::Great:
        case Op::Less:
        case Op::LessEq:
        case Op::GreatEq:
        case Op::NonEq:
        case Op::Eq: {
            const Variant& b = rightValue != nullptr ? *rightValue : Operand(right, rs);
            acc = Variant(op == Op::Great     ? acc > b
                          : op == Op::Less    ? acc < b
                          : op == Op::LessEq  ? acc <= b
                          : op == Op::GreatEq ? acc >= b
                          : op == Op::NonEq   ? !(acc == b)
                                              : acc == b);
            return;
        }
        case Op::In:
            acc = Variant(InSet(acc));
            return;
        case Op::Is:
            acc = Variant(IsInstance(acc));
            return;
        case Op::StrCat: {
            const Variant& b = Operand(right, rs);
            CheckConcatenation(acc, b);
            acc =
                acc.Type() == runtime::varString ? Variant(acc.AsString() + b.AsString()) : acc + b;
            return;
        }
        case Op::Or:
            if (!bothBoolean)
                acc = runtime::VarOr(acc, Operand(right, rs));
            else if (!acc.AsBoolean())
                acc = Operand(right, rs);
            return;
        case Op::And:
            if (!bothBoolean)
                acc = runtime::VarAnd(acc, Operand(right, rs));
            else if (acc.AsBoolean())
                acc = Operand(right, rs);
            return;
        default:
            acc = ApplyArithmetic(op, acc, Operand(right, rs));
            return;
    }
}

// Whether the node is an operator with two operands, which a spine is made
// of.
bool IsBinary(const TscExpressionNode* node) {
    if (node == nullptr || !node->IsOperator()) return false;
    switch (static_cast<const OperatorNode*>(node)->op) {
        case Op::None:
        case Op::LeftBracket:
        case Op::RightBracket:
        case Op::Not:
        case Op::UnMinus:
            return false;
        default:
            return true;
    }
}

// A long run of left-grouped operators, a - b + c - ... as written: the
// operators are applied in a loop from the bottom of the run up, instead
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

// Runs shorter than this stay nested calls.
constexpr size_t kMinSpineLength = 16;

size_t SpineLength(const TscExpressionNode* node) {
    size_t length = 0;
    for (; IsBinary(node); node = node->left.get()) ++length;
    return length;
}

// Puts a SpineNode over every long run of left-grouped operators.
void MakeSpines(std::unique_ptr<TscExpressionNode>& root) {
    std::vector<std::unique_ptr<TscExpressionNode>*> pending{&root};
    while (!pending.empty()) {
        std::unique_ptr<TscExpressionNode>& slot = *pending.back();
        pending.pop_back();
        TscExpressionNode* node = slot.get();
        if (!IsBinary(node)) {
            if (node->left) pending.push_back(&node->left);
            if (node->right) pending.push_back(&node->right);
            continue;
        }
        if (SpineLength(node) < kMinSpineLength) {
            if (node->left) pending.push_back(&node->left);
            if (node->right) pending.push_back(&node->right);
            continue;
        }
        auto spine = std::make_unique<SpineNode>(std::move(slot));
        for (OperatorNode* member : spine->spine)
            if (member->right) pending.push_back(&member->right);
        if (spine->spine.front()->left) pending.push_back(&spine->spine.front()->left);
        slot = std::move(spine);
    }
}

std::unique_ptr<TscExpressionNode>& SlotHolding(TscExpressionNode& parent,
                                                const TscExpressionNode* child) {
    return parent.left.get() == child ? parent.left : parent.right;
}

// Visits the slot of every node of the tree, the children's before their
// parent's, left before right, without recursion; `visit` may replace the
// node in its slot.
template <typename Visit>
void PostOrder(std::unique_ptr<TscExpressionNode>& root, Visit&& visit) {
    struct Frame {
        std::unique_ptr<TscExpressionNode>* slot;
        bool expanded;
    };
    std::vector<Frame> stack{{&root, false}};
    while (!stack.empty()) {
        const Frame frame = stack.back();
        TscExpressionNode& node = **frame.slot;
        if (!frame.expanded) {
            stack.back().expanded = true;
            if (node.right) stack.push_back({&node.right, false});
            if (node.left) stack.push_back({&node.left, false});
            continue;
        }
        stack.pop_back();
        visit(*frame.slot);
    }
}

// Gives an operator its result kind from its operands'; when they do not
// fit, the first such operator leaves its position in `error`.
void CheckTypes(TscExpressionNode& node, const TscScope& script, std::string& error) {
    if (!node.IsOperator()) return;
    auto& op = static_cast<OperatorNode&>(node);
    static const std::string kNoName;
    const TscTypeKind lk = op.left ? op.left->kind : fskVariant;
    const std::string& ln = op.left ? op.left->typeName : kNoName;
    const TscTypeKind rk = op.right ? op.right->kind : fskVariant;
    const std::string& rn = op.right ? op.right->typeName : kNoName;
    if (op.op == Op::None || op.op == Op::LeftBracket || op.op == Op::RightBracket) {
        op.kind = lk;
        op.typeName = ln;
        return;
    }
    op.bothBoolean = lk == fskBool && rk == fskBool;
    const bool accepted = (op.op == Op::Is && lk == fskClass && rk == fskClass) ||
                          (TypesCompatible(lk, ln, rk, rn, script) && Allowed(lk, op.op));
    op.kind = lk;
    op.typeName = ln;
    if (!accepted) {
        if (error.empty()) error = op.position;
        return;
    }
    if (IsComparison(op.op) || op.op == Op::In || op.op == Op::Is) {
        op.kind = fskBool;
        op.typeName.clear();
    } else if ((op.op == Op::DivFloat && lk == fskInt && rk == fskInt) ||
               (lk == fskInt && rk == fskFloat) || (lk == fskFloat && rk == fskInt)) {
        op.kind = fskFloat;
        op.typeName.clear();
    }
}

bool AllConstant(const TscExpressionNode& node) {
    const auto isConstant = [](const std::unique_ptr<TscExpressionNode>& child) {
        return child == nullptr ||
               AsConstant(static_cast<const TscExpressionNode*>(child.get())) != nullptr;
    };
    return isConstant(node.left) && isConstant(node.right);
}

std::unique_ptr<TscExpressionNode> ConstantLike(Variant value, const TscExpressionNode& node) {
    auto constant = std::make_unique<ConstantNode>(std::move(value), node.position);
    constant->kind = node.kind;
    constant->typeName = node.typeName;
    constant->parent = node.parent;
    return constant;
}

// Replaces a constant's name, and an operator whose operands are constants
// now, by the value. An operation that fails (1 div 0) stays, to fail when
// it runs.
void Fold(std::unique_ptr<TscExpressionNode>& slot) {
    TscExpressionNode& node = *slot;
    if (auto* d = AsDesignator(&node)) {
        if (d->variable != nullptr && d->variable->IsConstant)
            slot = ConstantLike(d->variable->Value, node);
        return;
    }
    if (!node.IsOperator()) return;
    auto& op = static_cast<OperatorNode&>(node);
    if (op.op == Op::Is || (!op.left && !op.right) || !AllConstant(op)) return;
    Variant value;
    try {
        value = op.Eval();
    } catch (const runtime::Exception&) {
        return;
    }
    slot = ConstantLike(std::move(value), node);
}

bool IsPureDesignator(const TscDesignator& designator) {
    if (designator.Deferred != nullptr) return false;
    for (int i = 0; i < designator.StepCount(); ++i) {
        const TscDesignatorItem& step = *designator.Step(i);
        if (step.Ref == nullptr) return false;
        const TscItemClass itemClass = step.Ref->ItemClass();
        const bool readsData = step.Ref->IsVariable() || itemClass == TscItemClass::Param ||
                               itemClass == TscItemClass::ArrayHelper ||
                               itemClass == TscItemClass::StringHelper;
        if (!readsData) return false;
        for (int a = 0; a < step.ArgCount(); ++a) {
            const auto* arg = dynamic_cast<const TscExpression*>(step.Arg(a));
            if (arg == nullptr || !arg->IsPure()) return false;
        }
    }
    return true;
}

// Whether the node's subtree is pure, its children's purity known; an
// operator learns which of its operands it may read in place.
void MarkPure(TscExpressionNode& node) {
    if (AsConstant(&node) != nullptr) {
        node.pure = true;
    } else if (const auto* d = AsDesignator(&node)) {
        node.pure = IsPureDesignator(*d->designator);
    } else if (const auto* s = AsSet(&node)) {
        node.pure = true;
        for (int i = 0; i < s->set->EntryCount(); ++i) {
            const auto* entry = dynamic_cast<const TscExpression*>(s->set->Entry(i));
            if (s->set->Entry(i) != nullptr && (entry == nullptr || !entry->IsPure()))
                node.pure = false;
        }
    } else {
        node.pure = (!node.left || node.left->pure) && (!node.right || node.right->pure);
    }
    if (node.IsOperator())
        static_cast<OperatorNode&>(node).Prepare(!node.right || node.right->pure);
}

}  // namespace

// ---- TscExpression ---------------------------------------------------------------------

TscExpression::TscExpression(TscScope& script)
    : script_(script), top_(std::make_unique<OperatorNode>(Op::None, std::string())) {
    current_ = top_.get();
}

TscExpression::~TscExpression() = default;

void TscExpression::AddNode(std::unique_ptr<TscExpressionNode> node) {
    TscExpressionNode* parent = current_;
    if (parent == nullptr || !parent->IsOperator()) RaiseSyntax();
    std::unique_ptr<TscExpressionNode>* slot = nullptr;
    if (!parent->left)
        slot = &parent->left;
    else if (!parent->right)
        slot = &parent->right;
    else
        RaiseSyntax();
    node->parent = parent;
    *slot = std::move(node);
    current_ = slot->get();
}

void TscExpression::AddOperator(std::string_view text) {
    const std::string upper = runtime::UpperCase(text);
    const OperatorInfo* info = nullptr;
    for (const OperatorInfo& candidate : kOperators)
        if (candidate.text == upper) info = &candidate;
    if (info == nullptr || info->op == Op::None) RaiseSyntax();
    if (top_ == nullptr) RaiseSyntax();  // after Finish

    switch (info->op) {
        case Op::LeftBracket:
        case Op::Not:
        case Op::UnMinus:
            AddNode(MakeOperator(info->op, position_));
            return;
        case Op::RightBracket: {
            TscExpressionNode* bracket = current_;
            while (bracket != nullptr && bracket->Priority() <= 5) bracket = bracket->parent;
            if (bracket == nullptr || bracket->parent == nullptr || !bracket->left) RaiseSyntax();
            TscExpressionNode* parent = bracket->parent;
            std::unique_ptr<TscExpressionNode>& slot = SlotHolding(*parent, bracket);
            std::unique_ptr<TscExpressionNode> child = std::move(bracket->left);
            child->parent = parent;
            current_ = child.get();
            slot = std::move(child);  // frees the bracket
            return;
        }
        default:
            break;
    }

    std::unique_ptr<TscExpressionNode> node = MakeOperator(info->op, position_);
    const int priority = info->priority;
    TscExpressionNode* candidate = nullptr;
    TscExpressionNode* anchor = current_;
    if (current_ == top_.get() && !top_->left) {
        // Nothing added yet: the operator has no left operand.
    } else if (!(current_->IsOperator() &&
                 static_cast<OperatorNode*>(current_)->op == Op::LeftBracket)) {
        candidate = current_;
        anchor = current_->parent;
    }
    while (anchor != nullptr && priority >= anchor->Priority()) {
        candidate = anchor;
        anchor = anchor->parent;
    }
    if (anchor == nullptr) RaiseSyntax();
    node->parent = anchor;
    TscExpressionNode* added = node.get();
    if (candidate != nullptr) {
        std::unique_ptr<TscExpressionNode>& slot = SlotHolding(*anchor, candidate);
        candidate->parent = added;
        node->left = std::move(slot);
        slot = std::move(node);
    } else if (!anchor->left) {
        anchor->left = std::move(node);
    } else if (!anchor->right) {
        anchor->right = std::move(node);
    } else {
        RaiseSyntax();
    }
    current_ = added;
}

void TscExpression::AddConstant(Variant value) {
    AddNode(std::make_unique<ConstantNode>(std::move(value), position_));
}

void TscExpression::AddDesignator(std::unique_ptr<TscDesignator> designator) {
    AddNode(std::make_unique<DesignatorNode>(std::move(designator), position_));
}

void TscExpression::AddSet(std::unique_ptr<TscSetExpression> set) {
    AddNode(std::make_unique<SetNode>(std::move(set), position_));
}

std::string TscExpression::Finish() {
    if (top_ == nullptr) return {};
    std::unique_ptr<TscExpressionNode> root = std::move(top_);
    if (!root->left || root->right) RaiseSyntax();
    top_ = std::move(root->left);
    top_->parent = nullptr;
    root.reset();
    current_ = nullptr;

    std::string error;
    PostOrder(top_,
              [&](std::unique_ptr<TscExpressionNode>& slot) { CheckTypes(*slot, script_, error); });
    Kind = top_->kind;
    DeclTypeName = top_->typeName;
    const auto* d = AsDesignator(static_cast<const TscExpressionNode*>(top_.get()));
    ReadOnly = d == nullptr || d->designator->ReadOnly;
    if (error.empty()) PostOrder(top_, Fold);
    PostOrder(top_, [](std::unique_ptr<TscExpressionNode>& slot) { MarkPure(*slot); });
    MakeSpines(top_);
    return error;
}

Variant TscExpression::GetValue() {
    TscExpressionNode* root = Root();
    return root != nullptr ? root->Eval() : Variant::Null();
}

const Variant& TscExpression::GetValueRef(Variant& scratch) {
    return ValueRefOf(*this, scratch);
}

bool TscExpression::GetBoolean() {
    return BooleanOf(*this);
}

void TscExpression::SetValue(const Variant& value) {
    if (ReadOnly) return;
    if (TscDesignator* designator = TopDesignator()) designator->SetValue(value);
}

void TscExpression::Adopt(std::unique_ptr<TscExpressionNode> root) {
    root->parent = nullptr;
    top_ = std::move(root);
    current_ = nullptr;
    Kind = top_->kind;
    DeclTypeName = top_->typeName;
    const auto* d = AsDesignator(static_cast<const TscExpressionNode*>(top_.get()));
    ReadOnly = d == nullptr || d->designator->ReadOnly;
}

std::vector<std::unique_ptr<TscExpression>> TscExpression::TakeAppendChain(
    const TscDesignator& target) {
    std::vector<std::unique_ptr<TscExpression>> pieces;
    if (target.DesignatorKind != 1 || target.LinkedItem == nullptr || top_ == nullptr ||
        current_ != nullptr || !(target.Kind == fskString || target.Kind == fskVariant))
        return pieces;
    // A long chain sits under a spine node, its operators unchanged.
    TscExpressionNode* top = top_.get();
    if (auto* spine = dynamic_cast<SpineNode*>(top)) top = spine->left.get();
    const auto isPlus = [](const TscExpressionNode* node) {
        return IsBinary(node) && static_cast<const OperatorNode*>(node)->op == Op::Plus &&
               node->left && node->right;
    };
    size_t count = 0;
    const TscExpressionNode* node = top;
    for (; isPlus(node); node = node->left.get()) ++count;
    const auto* first = AsDesignator(node);
    if (count < 2 || first == nullptr || first->variable != target.LinkedItem) return pieces;

    std::unique_ptr<TscExpressionNode> chain =
        top == top_.get() ? std::move(top_) : std::move(top_->left);
    top_.reset();
    pieces.resize(count);
    for (size_t i = count; i-- > 0;) {
        pieces[i] = std::make_unique<TscExpression>(script_);
        pieces[i]->Adopt(std::move(chain->right));
        chain = std::move(chain->left);
    }
    return pieces;
}

char TscExpression::OptimizeAssignment(const TscDesignator& target) {
    if (target.DesignatorKind != 1 || target.LinkedItem == nullptr) return ' ';
    auto* op =
        top_ != nullptr && top_->IsOperator() ? static_cast<OperatorNode*>(top_.get()) : nullptr;
    if (op == nullptr || !op->left || !op->right) return ' ';
    char modificator;
    switch (op->op) {
        case Op::Plus:
            modificator = '+';
            break;
        case Op::Minus:
            modificator = '-';
            break;
        case Op::Mul:
            modificator = '*';
            break;
        case Op::DivFloat:
            modificator = '/';
            break;
        default:
            return ' ';
    }
    const auto isTarget = [&](const TscExpressionNode* node) {
        const auto* d = AsDesignator(node);
        return d != nullptr && d->variable == target.LinkedItem;
    };
    std::unique_ptr<TscExpressionNode> operand;
    if (isTarget(op->left.get())) {
        operand = std::move(op->right);
    } else if ((modificator == '+' || modificator == '*') && isTarget(op->right.get()) &&
               target.LinkedItem->Kind != fskString && target.LinkedItem->Kind != fskVariant) {
        operand = std::move(op->left);
    } else {
        return ' ';
    }
    operand->parent = nullptr;
    top_ = std::move(operand);
    Kind = top_->kind;
    DeclTypeName = top_->typeName;
    const auto* d = AsDesignator(static_cast<const TscExpressionNode*>(top_.get()));
    ReadOnly = d == nullptr || d->designator->ReadOnly;
    return modificator;
}

TscCustomVariable* TscExpression::DirectOperand() const {
    const auto* d = AsDesignator(static_cast<const TscExpressionNode*>(top_.get()));
    if (d == nullptr || current_ != nullptr) return nullptr;
    return d->variable != nullptr ? d->variable : d->designator.get();
}

TscDesignator* TscExpression::TopDesignator() const {
    const auto* d = AsDesignator(static_cast<const TscExpressionNode*>(top_.get()));
    return d != nullptr && current_ == nullptr ? d->designator.get() : nullptr;
}

bool TscExpression::IsPure() const {
    return top_ != nullptr && current_ == nullptr && top_->pure;
}

}  // namespace script

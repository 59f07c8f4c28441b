// The evaluation of expression trees: what each node computes.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/classinfo.h"
#include "runtime/handles.h"
#include "script/conversions.h"
#include "script/expression_tree.h"

namespace script {

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

namespace expr {

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

namespace {

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

}  // namespace

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

}  // namespace expr

}  // namespace script

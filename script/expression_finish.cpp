// The passes that finish an expression tree: result types, folding of
// constants, purity, and spines over long runs of operators.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/exceptions.h"
#include "script/conversions.h"
#include "script/expression_tree.h"

namespace script::expr {

namespace {

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

}  // namespace

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

}  // namespace script::expr

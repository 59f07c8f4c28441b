#include "script/expression.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/strings.h"
#include "script/designator.h"
#include "script/errors.h"
#include "script/expression_node.h"
#include "script/expression_tree.h"
#include "script/scope.h"

namespace script {

using namespace expr;

namespace {

[[noreturn]] void RaiseSyntax() {
    throw EScriptError(std::string(MessageText(Msg::SyntaxError)));
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

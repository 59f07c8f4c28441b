#pragma once

// Expressions: operands and operators fed one at a time in source order and
// placed into a tree by operator precedence as they arrive; Finish
// type-checks the tree bottom-up and folds the parts made of constants.
// Evaluation walks the tree over Variant values; "and" and "or" of two
// Booleans short-circuit.
//
// Precedence, tightest first: not and unary minus; * / div mod and shl shr;
// + - or xor; comparisons, in and is. Equal priorities group to the left.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/items.h"

namespace script {

class TscDesignator;
class TscExpressionNode;

class TscExpression : public TscCustomExpression {
  public:
    explicit TscExpression(TscScope& script);
    ~TscExpression() override;

    // The source position ("line:col") that nodes added from now on carry.
    void SetPosition(std::string_view position) { position_ = position; }

    // Operator texts (any case): > < <= >= <> = + STRCAT - OR XOR * / DIV MOD
    // AND SHL SHR ( ) NOT UNMINUS IN IS. An unknown text raises EScriptError.
    void AddOperator(std::string_view text);
    void AddConstant(runtime::Variant value);
    void AddDesignator(std::unique_ptr<TscDesignator> designator);
    void AddSet(std::unique_ptr<TscSetExpression> set);

    // Removes the placeholder root, type-checks every operator, sets Kind,
    // DeclTypeName and ReadOnly, and folds constant parts. Returns the
    // position of the first operator whose operands do not fit, empty when
    // all fit.
    [[nodiscard]] std::string Finish();

    runtime::Variant GetValue() override;
    const runtime::Variant& GetValueRef(runtime::Variant& scratch) override;
    // The value as a Boolean, without an intermediate Variant where the top
    // is a comparison.
    bool GetBoolean();
    // Assigns through the designator at the top (how var arguments are
    // written back); nothing when the expression is ReadOnly.
    void SetValue(const runtime::Variant& value) override;

    // For x := e with x a plain variable: when e is x + a, x - a, x * a,
    // x / a (or a + x, a * x for x neither String nor Variant) the tree is
    // reduced to a and the operator is returned; ' ' otherwise.
    char OptimizeAssignment(const TscDesignator& target);

    // For x := x + a + b + ... with x a plain String or Variant variable:
    // the operands after x (at least two), each an expression of its own,
    // in order, and this expression is left empty; none, and the
    // expression unchanged, for anything else.
    std::vector<std::unique_ptr<TscExpression>> TakeAppendChain(const TscDesignator& target);

    // For an expression that is a single operand: the variable of a plain
    // variable designator, else the designator; nullptr otherwise (also for
    // a single constant).
    TscCustomVariable* DirectOperand() const;
    // The designator at the top, nullptr when the top is something else.
    TscDesignator* TopDesignator() const;

    // True when evaluating the expression runs no procedure and no host
    // code: literals, constants, plain variables and operators on them.
    bool IsPure() const;

    // The expression's text in the script (for macro arguments).
    std::string SourceText;

    // The root of the finished tree; nullptr while it is being built.
    TscExpressionNode* Root() const { return current_ == nullptr ? top_.get() : nullptr; }

  private:
    // Puts an operand (or an opening operator) into the current node's first
    // free slot.
    void AddNode(std::unique_ptr<TscExpressionNode> node);
    // Makes the finished tree under `root` this expression's.
    void Adopt(std::unique_ptr<TscExpressionNode> root);

    TscScope& script_;
    std::unique_ptr<TscExpressionNode> top_;
    TscExpressionNode* current_ = nullptr;
    std::string position_;
};

}  // namespace script

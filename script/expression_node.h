#pragma once

// Internal to the engine: the node of an expression tree (expression.cpp
// builds the trees) and the evaluation of a finished tree for the hot
// callers (statements, calls), which go to its root without the calls
// through TscExpression.

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/variant.h"
#include "script/expression.h"
#include "script/items.h"

namespace script {

// A node: an operand (constant, designator, set) or an operator with its
// operands as children.
class TscExpressionNode {
  public:
    explicit TscExpressionNode(std::string position) : position(std::move(position)) {}
    // Frees the subtree without recursion: a flat expression of thousands of
    // terms is as deep.
    virtual ~TscExpressionNode();
    TscExpressionNode(const TscExpressionNode&) = delete;
    TscExpressionNode& operator=(const TscExpressionNode&) = delete;

    // The node's value: a reference to the value it holds (a constant, a
    // variable's own value) or to `scratch`, which receives a computed one.
    virtual const runtime::Variant& EvalRef(runtime::Variant& scratch) = 0;
    runtime::Variant Eval() {
        runtime::Variant scratch;
        const runtime::Variant& value = EvalRef(scratch);
        return &value == &scratch ? std::move(scratch) : value;
    }
    virtual bool EvalBool() {
        runtime::Variant scratch;
        return EvalRef(scratch).AsBoolean();
    }
    virtual bool IsOperator() const { return false; }
    virtual int Priority() const { return 0; }

    enum class NodeClass : uint8_t { Constant, Designator, Set, Operator };
    NodeClass nodeClass = NodeClass::Operator;

    std::unique_ptr<TscExpressionNode> left;
    std::unique_ptr<TscExpressionNode> right;
    TscExpressionNode* parent = nullptr;
    TscTypeKind kind = fskVariant;
    std::string typeName;
    std::string position;
    // Evaluating the subtree runs no procedure and no host code (known once
    // the expression is finished).
    bool pure = false;
};

// TscExpression::GetValueRef and GetBoolean, inline.
inline const runtime::Variant& ValueRefOf(TscExpression& expression, runtime::Variant& scratch) {
    if (TscExpressionNode* root = expression.Root()) return root->EvalRef(scratch);
    scratch = runtime::Variant::Null();
    return scratch;
}

inline bool BooleanOf(TscExpression& expression) {
    TscExpressionNode* root = expression.Root();
    return root != nullptr && root->EvalBool();
}

}  // namespace script

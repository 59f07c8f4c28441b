// The builder's expressions and sets.

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/strings.h"
#include "script/builder_internal.h"
#include "script/conversions.h"
#include "script/tokenizer.h"

namespace script::builder {

// ---- expressions ------------------------------------------------------------------------------

std::unique_ptr<TscExpression> Builder::BuildExpression(Node element, TscScope& script) {
    CheckDepth();
    Start(element);
    auto expression = std::make_unique<TscExpression>(script);
    expression->SourcePos = position_;
    expression->SetPosition(position_);
    AddExpressionChildren(element, *expression, script);
    const std::string error = expression->Finish();
    if (!error.empty()) {
        KeepPosition(error);
        Fail(Msg::IncompatibleTypes);
    }
    return expression;
}

// Array bounds and parameter defaults: computed now, so they may not call
// anything.
std::unique_ptr<TscExpression> Builder::BuildConstantExpression(Node element, TscScope& script) {
    std::unique_ptr<TscExpression> expression = BuildExpression(element, script);
    if (!expression->IsPure()) {
        Start(element);
        Fail(Msg::ConstantExpressionExpected);
    }
    return expression;
}

void Builder::AddExpressionChildren(Node element, TscExpression& expression, TscScope& script) {
    CheckDepth();
    const int count = element.Count();
    for (int i = 0; i < count; ++i) {
        Node child = element.Child(i);
        Start(child);
        expression.SetPosition(position_);
        switch (child.Kind()) {
            case El::Op: {
                // Operators come in lower case mostly, and escaped only
                // when they hold "<" or ">".
                std::string_view text = child.RawText();
                std::string lower;
                if (std::any_of(text.begin(), text.end(),
                                [](char c) { return c == '&' || (c >= 'A' && c <= 'Z'); })) {
                    lower = runtime::LowerCase(child.Text());
                    text = lower;
                }
                // A dangling operator left by an abandoned comparison.
                if (i + 1 == count && text != ")") break;
                expression.AddOperator(text);
                break;
            }
            case El::Number:
            case El::String:
                expression.AddConstant(LiteralToVariant(child.Text()));
                break;
            case El::Dsgn:
                expression.AddDesignator(BuildDesignator(child, script, 0));
                break;
            case El::New:
                if (child.Count() > 0)
                    expression.AddDesignator(BuildDesignator(child.Child(0), script, 1));
                break;
            case El::Set:
                expression.AddSet(BuildSet(child, script));
                break;
            case El::Expr:
                AddExpressionChildren(child, expression, script);
                break;
            default:
                break;
        }
    }
}

std::unique_ptr<TscSetExpression> Builder::BuildSet(Node element, TscScope& script) {
    Start(element);
    auto set = std::make_unique<TscSetExpression>();
    for (int i = 0; i < element.Count(); ++i) {
        Node child = element.Child(i);
        const El kind = child.Kind();
        if (kind == El::Expr)
            set->AddEntry(BuildExpression(child, script));
        else if (kind == El::Range)
            set->AddEntry(nullptr);
    }
    return set;
}

std::string Builder::SourceText(Node element) const {
    if (!parser_ || !unit_.empty()) return {};
    const std::string from = element.Attribute("pos");
    const std::string to = element.Attribute("pos1");
    if (from.empty() || to.empty()) return {};
    TscParser& tokenizer = parser_->Tokenizer();
    const int begin = tokenizer.LineColumnToOffset(SourcePosToPoint(from));
    const int end = tokenizer.LineColumnToOffset(SourcePosToPoint(to));
    if (begin < 1 || end < begin || end > tokenizer.Size() + 1) return {};
    std::string text;
    text.reserve(static_cast<size_t>(end - begin));
    for (int p = begin; p < end; ++p) text += tokenizer.CharAt(p);
    return text;
}

}  // namespace script::builder

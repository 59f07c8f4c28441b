// The builder's statements.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "script/builder_internal.h"
#include "script/conversions.h"

namespace script::builder {

// ---- statements -----------------------------------------------------------------------------

void Builder::BuildStatements(Node element, int from, int to, TscScope& script, TscStatement& list,
                              TscProcVariable* proc) {
    for (int i = from; i < to; ++i) BuildStatement(element.Child(i), script, list, proc);
}

void Builder::BuildStatement(Node element, TscScope& script, TscStatement& list,
                             TscProcVariable* proc) {
    CheckDepth();
    switch (element.Kind()) {
        case El::Uses:
            BuildUses(element, script, proc);
            return;
        case El::Var:
            BuildVar(element, script, list, proc);
            return;
        case El::Const:
            BuildConst(element, script, list);
            return;
        case El::Procedure:
        case El::Function: {
            const auto found = procedures_.find(element.Address());
            if (found == procedures_.end()) return;
            TscProcVariable& declared = *found->second;
            // An element's address may come back in another form later.
            procedures_.erase(found);
            BuildBlock(element, *declared.LocalScript, &declared);
            return;
        }
        case El::Compound:
        case El::Then:
        case El::Else:
            BuildStatements(element, 0, element.Count(), script, list, proc);
            return;
        case El::Assign:
            BuildAssignment(element, script, list);
            return;
        case El::Call:
            BuildCall(element, script, list, 0);
            return;
        case El::Delete:
            BuildCall(element, script, list, 2);
            return;
        case El::If:
            BuildIf(element, script, list, proc);
            return;
        case El::Case:
            BuildCase(element, script, list, proc);
            return;
        case El::For:
            BuildFor(element, script, list, proc, false);
            return;
        case El::VbFor:
            BuildFor(element, script, list, proc, true);
            return;
        case El::CppFor:
            BuildCppFor(element, script, list, proc);
            return;
        case El::While:
            BuildWhile(element, script, list, proc);
            return;
        case El::Repeat:
            BuildRepeat(element, script, list, proc);
            return;
        case El::Try:
            BuildTry(element, script, list, proc);
            return;
        case El::Break:
            Start(element);
            list.Add(std::make_unique<TscBreakStmt>(script, Position(), unit_));
            return;
        case El::Continue:
            Start(element);
            list.Add(std::make_unique<TscContinueStmt>(script, Position(), unit_));
            return;
        case El::Exit:
            Start(element);
            list.Add(std::make_unique<TscExitStmt>(script, Position(), unit_));
            return;
        case El::Return:
            BuildReturn(element, script, list);
            return;
        case El::With:
            BuildWith(element, script, list, proc);
            return;
        default:
            // Names, parameters, types and whatever other grammars add.
            return;
    }
}

void Builder::BuildAssignment(Node element, TscScope& script, TscStatement& list) {
    Start(element);
    const std::string statementPos = Position();
    Node target = FirstChild(element, El::Dsgn);
    Node modificator = FirstChild(element, El::Modificator);
    Node expression = FirstChild(element, El::Expr);
    if (!target || !expression) return;
    std::unique_ptr<TscDesignator> designator = BuildDesignator(target, script, 0);
    if (designator->ReadOnly) {
        KeepPosition(statementPos);
        // F := value inside function F, as other Pascals allow.
        const TscDesignatorItem* last =
            designator->StepCount() != 0 ? designator->Step(designator->StepCount() - 1) : nullptr;
        if (last != nullptr && last->ArgCount() == 0 && last->Ref != nullptr &&
            last->Ref->ItemClass() == TscItemClass::Proc &&
            static_cast<const TscProcVariable*>(last->Ref)->IsFunction)
            FailName(Msg::FunctionNameAssigned, last->Ref->Name);
        Fail(Msg::LeftSideNotAssignable);
    }
    std::unique_ptr<TscExpression> value = BuildExpression(expression, script);
    if (!AssignCompatible(*designator, *value, script)) {
        Start(expression);
        FailTypes(*designator, *value);
    }
    char operation = ' ';
    std::vector<std::unique_ptr<TscExpression>> chain;
    if (modificator) {
        const std::string text = modificator.Text();
        operation = text.empty() ? ' ' : text[0];
    } else {
        // s := s + a + b + ...: the text grows in place by each piece.
        chain = value->TakeAppendChain(*designator);
        if (!chain.empty()) {
            operation = '+';
            value = std::move(chain.front());
            chain.erase(chain.begin());
        } else {
            operation = value->OptimizeAssignment(*designator);
        }
    }
    std::unique_ptr<TscAssignmentStmt> statement;
    switch (operation) {
        case '*':
            statement = std::make_unique<TscAssignMulStmt>(script, statementPos, unit_);
            break;
        case '+': {
            auto plus = std::make_unique<TscAssignPlusStmt>(script, statementPos, unit_);
            plus->MorePieces = std::move(chain);
            statement = std::move(plus);
            break;
        }
        case '-':
            statement = std::make_unique<TscAssignMinusStmt>(script, statementPos, unit_);
            break;
        case '/':
            statement = std::make_unique<TscAssignDivStmt>(script, statementPos, unit_);
            break;
        default:
            statement = std::make_unique<TscAssignmentStmt>(script, statementPos, unit_);
            break;
    }
    statement->TargetDesignator = std::move(designator);
    statement->ValueExpr = std::move(value);
    statement->Prepare();
    list.Add(std::move(statement));
}

void Builder::BuildCall(Node element, TscScope& script, TscStatement& list, int mode) {
    Start(element);
    const std::string statementPos = Position();
    if (element.Count() == 0) return;
    auto statement = std::make_unique<TscCallStmt>(script, statementPos, unit_);
    statement->CallDesignator = BuildDesignator(element.Child(0), script, mode);
    statement->CallDesignator->NeedResult = false;
    if (mode == 0 && element.Count() > 1) {
        statement->CallSuffix = element.Child(1).Text();
        if (statement->CallDesignator->ReadOnly) {
            KeepPosition(statementPos);
            Fail(Msg::LeftSideNotAssignable);
        }
    }
    list.Add(std::move(statement));
}

void Builder::BuildIf(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscIfStmt>(script, Position(), unit_);
    for (int i = 0; i < element.Count(); ++i) {
        Node child = element.Child(i);
        switch (child.Kind()) {
            case El::Expr:
                if (!statement->IfCondition)
                    statement->IfCondition = BuildExpression(child, script);
                break;
            case El::Then:
                BuildStatement(child, script, *statement, proc);
                break;
            case El::Else:
                BuildStatement(child, script, *statement->ElseList, proc);
                break;
            default:
                break;
        }
    }
    if (!statement->IfCondition) Fail(Msg::SyntaxError);
    list.Add(std::move(statement));
}

void Builder::BuildCase(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscCaseStmt>(script, Position(), unit_);
    if (element.Count() == 0 || element.Child(0).Kind() != El::Expr) Fail(Msg::SyntaxError);
    statement->CaseValue = BuildExpression(element.Child(0), script);
    for (int i = 1; i < element.Count(); ++i) {
        Node child = element.Child(i);
        if (child.Kind() != El::CaseSelector) {
            BuildStatement(child, script, *statement->ElseList, proc);
            continue;
        }
        Node set = FirstChild(child, El::Set);
        if (!set) continue;
        Start(child);
        // A selector with an empty statement still takes its values: they
        // do nothing rather than fall into the else part.
        auto selector = std::make_unique<TscCaseSelector>(script, Position(), unit_);
        selector->SelectorSet = BuildSet(set, script);
        for (int j = 0; j < child.Count(); ++j)
            if (!(child.Child(j) == set)) BuildStatement(child.Child(j), script, *selector, proc);
        statement->Add(std::move(selector));
    }
    list.Add(std::move(statement));
}

TscCustomVariable& Builder::LoopVariable(Node element, TscScope& script) {
    Node ident = FirstChild(element, El::Ident);
    if (!ident) Fail(Msg::SyntaxError);
    Start(ident);
    TscCustomVariable& variable = FindVariable(ident.Text(), script);
    if (!variable.IsVariable() ||
        (variable.Kind != fskInt && variable.Kind != fskFloat && variable.Kind != fskVariant))
        Fail(Msg::ForLoopVariableNotNumeric);
    // The loop stores into the variable directly: a constant would change.
    if (variable.ReadOnly) Fail(Msg::LeftSideNotAssignable);
    return variable;
}

void Builder::BuildFor(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc,
                       bool vbStyle) {
    Start(element);
    const std::string statementPos = Position();
    TscCustomVariable& variable = LoopVariable(element, script);
    std::vector<std::unique_ptr<TscExpression>> bounds;
    bool downTo = false;
    int bodyFrom = element.Count();
    for (int i = 0; i < element.Count(); ++i) {
        Node child = element.Child(i);
        const El kind = child.Kind();
        if (kind == El::Ident) continue;
        if (kind == El::Downto) {
            downTo = true;
            continue;
        }
        if (kind == El::Expr && bounds.size() < (vbStyle ? 3u : 2u)) {
            bounds.push_back(BuildExpression(child, script));
            Start(child);
            if (!AssignCompatible(variable, *bounds.back(), script))
                FailTypes(variable, *bounds.back());
            continue;
        }
        bodyFrom = i;
        break;
    }
    if (bounds.size() < 2) Fail(Msg::SyntaxError);
    if (vbStyle) {
        auto statement = std::make_unique<TscVbForStmt>(script, statementPos, unit_);
        statement->FromExpr = std::move(bounds[0]);
        statement->ToExpr = std::move(bounds[1]);
        if (bounds.size() > 2) statement->StepExpr = std::move(bounds[2]);
        statement->LoopVariable = &variable;
        BuildStatements(element, bodyFrom, element.Count(), script, *statement, proc);
        list.Add(std::move(statement));
        return;
    }
    auto statement = std::make_unique<TscForStmt>(script, statementPos, unit_);
    statement->FromExpr = std::move(bounds[0]);
    statement->ToExpr = std::move(bounds[1]);
    statement->IsDownTo = downTo;
    statement->LoopVariable = &variable;
    BuildStatements(element, bodyFrom, element.Count(), script, *statement, proc);
    list.Add(std::move(statement));
}

void Builder::BuildCppFor(Node element, TscScope& script, TscStatement& list,
                          TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscCppForStmt>(script, Position(), unit_);
    if (element.Count() < 3) Fail(Msg::SyntaxError);
    BuildStatement(element.Child(0), script, *statement->InitList, proc);
    statement->LoopCondition = BuildExpression(element.Child(1), script);
    BuildStatement(element.Child(2), script, *statement->NextList, proc);
    BuildStatements(element, 3, element.Count(), script, *statement, proc);
    list.Add(std::move(statement));
}

void Builder::BuildWhile(Node element, TscScope& script, TscStatement& list,
                         TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscWhileStmt>(script, Position(), unit_);
    if (element.Count() == 0) Fail(Msg::SyntaxError);
    statement->WhileCondition = BuildExpression(element.Child(0), script);
    BuildStatements(element, 1, element.Count(), script, *statement, proc);
    list.Add(std::move(statement));
}

void Builder::BuildRepeat(Node element, TscScope& script, TscStatement& list,
                          TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscRepeatStmt>(script, Position(), unit_);
    int conditionAt = element.Count() - 1;
    if (conditionAt >= 0 && element.Child(conditionAt).Kind() == El::Inverse) {
        statement->WhileMode = true;
        --conditionAt;
    }
    if (conditionAt < 0) Fail(Msg::SyntaxError);
    BuildStatements(element, 0, conditionAt, script, *statement, proc);
    statement->UntilCondition = BuildExpression(element.Child(conditionAt), script);
    list.Add(std::move(statement));
}

void Builder::BuildTry(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc) {
    Start(element);
    auto statement = std::make_unique<TscTryStmt>(script, Position(), unit_);
    for (int i = 0; i < element.Count(); ++i) {
        Node child = element.Child(i);
        const El kind = child.Kind();
        if (kind == El::Except || kind == El::Finally) {
            statement->IsExceptBlock = kind == El::Except;
            BuildStatements(child, 0, child.Count(), script, *statement->HandlerList, proc);
        } else {
            BuildStatement(child, script, *statement, proc);
        }
    }
    list.Add(std::move(statement));
}

void Builder::BuildReturn(Node element, TscScope& script, TscStatement& list) {
    Start(element);
    const std::string statementPos = Position();
    if (Node expression = FirstChild(element, El::Expr)) {
        TscCustomVariable& result = FindVariable("Result", script);
        std::unique_ptr<TscDesignator> target = VariableDesignator(result, script);
        if (target->ReadOnly) Fail(Msg::LeftSideNotAssignable);
        std::unique_ptr<TscExpression> value = BuildExpression(expression, script);
        if (!AssignCompatible(*target, *value, script)) FailTypes(*target, *value);
        auto assignment = std::make_unique<TscAssignmentStmt>(script, statementPos, unit_);
        assignment->TargetDesignator = std::move(target);
        assignment->ValueExpr = std::move(value);
        assignment->Prepare();
        list.Add(std::move(assignment));
    }
    list.Add(std::make_unique<TscExitStmt>(script, statementPos, unit_));
}

void Builder::BuildWith(Node element, TscScope& script, TscStatement& list, TscProcVariable* proc) {
    Start(element);
    const size_t withsBefore = withs_.size();
    const int count = element.Count();
    Node body;
    for (int i = 0; i < count; ++i) {
        Node child = element.Child(i);
        if (child.Kind() != El::Dsgn) {
            body = child;
            continue;
        }
        std::unique_ptr<TscDesignator> designator = BuildDesignator(child, script, 0);
        Start(child);
        if (designator->Kind != fskClass && designator->Kind != fskVariant)
            Fail(Msg::ClassTypeRequired);
        std::string name;
        for (int n = 0;; ++n) {
            name = std::to_string(n);
            bool taken = script.FindLocal(name) != nullptr;
            for (const WithEntry& entry : withs_) taken = taken || entry.name == name;
            if (!taken) break;
        }
        auto hidden =
            std::make_unique<TscVariable>(name, designator->DeclTypeName, designator->Kind);
        TscVariable& variable = script.Add(name, std::move(hidden));
        if (proc != nullptr) proc->AddLocal(variable, Variant::Null());
        auto statement = std::make_unique<TscWithStmt>(script, Position(), unit_);
        statement->WithDesignator = std::move(designator);
        statement->WithVariable = &variable;
        list.Add(std::move(statement));
        withs_.push_back({name, &variable, &script});
    }
    struct Restore {
        std::vector<WithEntry>& withs;
        size_t size;
        ~Restore() { withs.resize(size); }
    } restore{withs_, withsBefore};
    if (body) BuildStatement(body, script, list, proc);
}

}  // namespace script::builder

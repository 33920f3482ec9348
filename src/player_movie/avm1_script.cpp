#include "player_movie/avm1_script.h"

#include <utility>

namespace brelvano::avm1 {

namespace {

// Pushes the arguments last first, then their count: the order CallFunction,
// CallMethod and NewObject pop them in.
void EmitArgs(Avm1Assembler& out, const std::vector<Expr>& args) {
  for (auto it = args.rbegin(); it != args.rend(); ++it) it->emit(out);
  out.PushNumber(static_cast<double>(args.size()));
}

Expr Binary(Expr a, Expr b, uint8_t code) {
  return {[a = std::move(a), b = std::move(b), code](Avm1Assembler& out) {
    a.emit(out);
    b.emit(out);
    out.Op(code);
  }};
}

// The test, then the false arm when it fails, else the true arm: AVM1's If
// branches only when the value is true.
template <typename True, typename False>
void EmitTwoWay(Avm1Assembler& out, const Expr& test, True emitTrue, False emitFalse) {
  const auto yes = out.NewLabel();
  const auto done = out.NewLabel();
  test.emit(out);
  out.If(yes);
  emitFalse();
  out.Jump(done);
  out.Bind(yes);
  emitTrue();
  out.Bind(done);
}

// name = value, as a timeline variable (SetVariable) or a function's local (DefineLocal).
Stmt Assign(const std::string& name, Expr value, uint8_t code) {
  return {[name, value = std::move(value), code](Avm1Assembler& out) {
    out.PushString(name);
    value.emit(out);
    out.Op(code);
  }};
}

}  // namespace

Expr Str(const std::string& text) {
  return {[text](Avm1Assembler& out) { out.PushString(text); }};
}
Expr Num(double value) {
  return {[value](Avm1Assembler& out) { out.PushNumber(value); }};
}
Expr Bool(bool value) {
  return {[value](Avm1Assembler& out) { out.PushBoolean(value); }};
}
Expr Undefined() {
  return {[](Avm1Assembler& out) { out.PushUndefined(); }};
}
Expr Null() {
  return {[](Avm1Assembler& out) { out.PushNull(); }};
}
Expr Var(const std::string& name) {
  return {[name](Avm1Assembler& out) {
    out.PushString(name);
    out.Op(kActionGetVariable);
  }};
}
Expr Member(Expr object, const std::string& name) { return Member(std::move(object), Str(name)); }
Expr Member(Expr object, Expr name) {
  return Binary(std::move(object), std::move(name), kActionGetMember);
}

Expr Call(const std::string& function, std::vector<Expr> args) {
  return {[function, args = std::move(args)](Avm1Assembler& out) {
    EmitArgs(out, args);
    out.PushString(function);
    out.Op(kActionCallFunction);
  }};
}

Expr Method(Expr object, const std::string& method, std::vector<Expr> args) {
  return {[object = std::move(object), method, args = std::move(args)](Avm1Assembler& out) {
    EmitArgs(out, args);
    object.emit(out);
    out.PushString(method);
    out.Op(kActionCallMethod);
  }};
}

Expr New(const std::string& className, std::vector<Expr> args) {
  return {[className, args = std::move(args)](Avm1Assembler& out) {
    EmitArgs(out, args);
    out.PushString(className);
    out.Op(kActionNewObject);
  }};
}

Expr Function(std::vector<std::string> params, Block body) {
  return {[params = std::move(params), body = std::move(body)](Avm1Assembler& out) {
    out.BeginFunction("", params);
    Emit(out, body);
    out.EndFunction();
  }};
}

Expr ToNumber(Expr value) {
  return {[value = std::move(value)](Avm1Assembler& out) {
    value.emit(out);
    out.Op(kActionToNumber);
  }};
}
Expr GetTime() {
  return {[](Avm1Assembler& out) { out.Op(kActionGetTime); }};
}
Expr Random(Expr bound) {
  return {[bound = std::move(bound)](Avm1Assembler& out) {
    bound.emit(out);
    out.Op(kActionRandomNumber);
  }};
}

Expr Cond(Expr test, Expr whenTrue, Expr whenFalse) {
  return {[test = std::move(test), whenTrue = std::move(whenTrue),
           whenFalse = std::move(whenFalse)](Avm1Assembler& out) {
    EmitTwoWay(
        out, test, [&] { whenTrue.emit(out); }, [&] { whenFalse.emit(out); });
  }};
}

Expr operator+(Expr a, Expr b) { return Binary(std::move(a), std::move(b), kActionAdd2); }
Expr operator-(Expr a, Expr b) { return Binary(std::move(a), std::move(b), kActionSubtract); }
Expr operator*(Expr a, Expr b) { return Binary(std::move(a), std::move(b), kActionMultiply); }
Expr operator/(Expr a, Expr b) { return Binary(std::move(a), std::move(b), kActionDivide); }
Expr operator%(Expr a, Expr b) { return Binary(std::move(a), std::move(b), kActionModulo); }
Expr operator<(Expr a, Expr b) { return Binary(std::move(a), std::move(b), kActionLess2); }
Expr operator>(Expr a, Expr b) { return Binary(std::move(a), std::move(b), kActionGreater); }
Expr operator==(Expr a, Expr b) { return Binary(std::move(a), std::move(b), kActionEquals2); }
Expr operator&&(Expr a, Expr b) { return Binary(std::move(a), std::move(b), kActionAnd); }
Expr operator||(Expr a, Expr b) { return Binary(std::move(a), std::move(b), kActionOr); }
Expr operator!(Expr a) {
  return {[a = std::move(a)](Avm1Assembler& out) {
    a.emit(out);
    out.Op(kActionNot);
  }};
}

Stmt Set(const std::string& name, Expr value) {
  return Assign(name, std::move(value), kActionSetVariable);
}
Stmt Local(const std::string& name, Expr value) {
  return Assign(name, std::move(value), kActionDefineLocal);
}
Stmt SetMember(Expr object, const std::string& name, Expr value) {
  return SetMember(std::move(object), Str(name), std::move(value));
}
Stmt SetMember(Expr object, Expr name, Expr value) {
  return {[object = std::move(object), name = std::move(name),
           value = std::move(value)](Avm1Assembler& out) {
    object.emit(out);
    name.emit(out);
    value.emit(out);
    out.Op(kActionSetMember);
  }};
}
Stmt Do(Expr value) {
  return {[value = std::move(value)](Avm1Assembler& out) {
    value.emit(out);
    out.Op(kActionPop);
  }};
}

Stmt If(Expr test, Block then, Block otherwise) {
  return {[test = std::move(test), then = std::move(then),
           otherwise = std::move(otherwise)](Avm1Assembler& out) {
    EmitTwoWay(
        out, test, [&] { Emit(out, then); }, [&] { Emit(out, otherwise); });
  }};
}

Stmt While(Expr test, Block body) {
  return {[test = std::move(test), body = std::move(body)](Avm1Assembler& out) {
    const auto top = out.NewLabel();
    const auto done = out.NewLabel();
    out.Bind(top);
    test.emit(out);
    out.Op(kActionNot);
    out.If(done);
    Emit(out, body);
    out.Jump(top);
    out.Bind(done);
  }};
}

Stmt Return(Expr value) {
  return {[value = std::move(value)](Avm1Assembler& out) {
    value.emit(out);
    out.Op(kActionReturn);
  }};
}

Stmt DefineFunction(const std::string& name, std::vector<std::string> params, Block body) {
  return {[name, params = std::move(params), body = std::move(body)](Avm1Assembler& out) {
    out.BeginFunction(name, params);
    Emit(out, body);
    out.EndFunction();
  }};
}

Stmt Op(uint8_t code) {
  return {[code](Avm1Assembler& out) { out.Op(code); }};
}

void Emit(Avm1Assembler& out, const Block& block) {
  for (const Stmt& stmt : block) stmt.emit(out);
}

}  // namespace brelvano::avm1

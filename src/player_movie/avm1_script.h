// A small structured layer over Avm1Assembler: expressions and statements
// built as C++ values that emit their actions when the program is assembled,
// so the player's logic reads like the ActionScript it compiles to.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "player_movie/avm1_assembler.h"

namespace brelvano::avm1 {

using Emitter = std::function<void(Avm1Assembler&)>;

// An expression leaves exactly one value on the stack.
struct Expr {
  Emitter emit;
};
// A statement leaves the stack as it found it.
struct Stmt {
  Emitter emit;
};
using Block = std::vector<Stmt>;

Expr Str(const std::string& text);
Expr Num(double value);
Expr Bool(bool value);
Expr Undefined();
Expr Null();
Expr Var(const std::string& name);  // GetVariable (locals, then the timeline)
Expr Member(Expr object, const std::string& name);
Expr Member(Expr object, Expr name);  // object[name]
Expr Call(const std::string& function, std::vector<Expr> args);
Expr Method(Expr object, const std::string& method, std::vector<Expr> args);
Expr New(const std::string& className, std::vector<Expr> args);
Expr Function(std::vector<std::string> params, Block body);  // an unnamed function value
Expr ToNumber(Expr value);
Expr GetTime();           // milliseconds since the movie started
Expr Random(Expr bound);  // a whole number 0 .. bound-1
Expr Cond(Expr test, Expr whenTrue, Expr whenFalse);

Expr operator+(Expr a, Expr b);  // Add2: numbers add, strings join
Expr operator-(Expr a, Expr b);
Expr operator*(Expr a, Expr b);
Expr operator/(Expr a, Expr b);
Expr operator%(Expr a, Expr b);
Expr operator<(Expr a, Expr b);
Expr operator>(Expr a, Expr b);
Expr operator==(Expr a, Expr b);  // Equals2
Expr operator!(Expr a);
Expr operator&&(Expr a, Expr b);  // both sides are evaluated
Expr operator||(Expr a, Expr b);

Stmt Set(const std::string& name, Expr value);    // SetVariable
Stmt Local(const std::string& name, Expr value);  // DefineLocal
Stmt SetMember(Expr object, const std::string& name, Expr value);
Stmt SetMember(Expr object, Expr name, Expr value);
Stmt Do(Expr value);  // evaluates and drops the value
Stmt If(Expr test, Block then, Block otherwise = {});
Stmt While(Expr test, Block body);
Stmt Return(Expr value);
Stmt DefineFunction(const std::string& name, std::vector<std::string> params, Block body);
Stmt Op(uint8_t code);  // an action that takes nothing from the stack and leaves nothing

void Emit(Avm1Assembler& out, const Block& block);

}  // namespace brelvano::avm1

// AVM1 action bytes (the ActionScript 1/2 byte code of SWF 6 movies), written
// one action at a time, with labels for branches and function bodies whose
// lengths are patched when they are closed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "swf/swf_buffer.h"

namespace brelvano {

// Action codes (SWF file format, "Actions" chapter), SWF 6 and earlier only.
enum : uint8_t {
  kActionEnd = 0x00,
  kActionPlay = 0x06,
  kActionStop = 0x07,
  kActionStopSounds = 0x09,
  kActionSubtract = 0x0B,
  kActionMultiply = 0x0C,
  kActionDivide = 0x0D,
  kActionAnd = 0x10,
  kActionOr = 0x11,
  kActionNot = 0x12,
  kActionPop = 0x17,
  kActionGetVariable = 0x1C,
  kActionSetVariable = 0x1D,
  kActionRandomNumber = 0x30,
  kActionGetTime = 0x34,
  kActionDefineLocal = 0x3C,
  kActionCallFunction = 0x3D,
  kActionReturn = 0x3E,
  kActionModulo = 0x3F,
  kActionNewObject = 0x40,
  kActionInitArray = 0x42,
  kActionTypeOf = 0x44,
  kActionAdd2 = 0x47,
  kActionLess2 = 0x48,
  kActionEquals2 = 0x49,
  kActionToNumber = 0x4A,
  kActionToString = 0x4B,
  kActionGetMember = 0x4E,
  kActionSetMember = 0x4F,
  kActionCallMethod = 0x52,
  kActionGreater = 0x67,
  // Actions with a payload (code 0x80 and up: a 16-bit length follows).
  kActionGetUrl2 = 0x9A,
  kActionDefineFunction = 0x9B,
  kActionPush = 0x96,
  kActionJump = 0x99,
  kActionIf = 0x9D,
};

// Value types of ActionPush.
enum : uint8_t {
  kPushString = 0,
  kPushNull = 2,
  kPushUndefined = 3,
  kPushBoolean = 5,
  kPushDouble = 6,
  kPushInteger = 7,
};

class Avm1Assembler {
 public:
  using Label = int32_t;

  // An action without payload.
  void Op(uint8_t code) { code_.PutByte(code); }
  // One ActionPush per value; strings are written as given (UTF-8).
  void PushString(const std::string& text);
  // Whole numbers in 32-bit range as integers, others as doubles.
  void PushNumber(double value);
  void PushBoolean(bool value);
  void PushNull();
  void PushUndefined();

  Label NewLabel();
  // The label's target is the next action written.
  void Bind(Label label);
  void Jump(Label label) { Branch(kActionJump, label); }
  // Pops a value and branches when it is true.
  void If(Label label) { Branch(kActionIf, label); }

  // DefineFunction: the body is what is written up to the matching
  // EndFunction. An empty name leaves the function on the stack.
  void BeginFunction(const std::string& name, const std::vector<std::string>& params);
  void EndFunction();

  // GetURL2 with its flags byte (0: GET-less load into a window or level).
  void GetUrl2(uint8_t flags);

  // Resolves the branches, appends ActionEnd and returns the bytes; false
  // through *ok when a label was never bound, a branch is out of range or
  // a function is still open.
  std::vector<uint8_t> Finish(bool* ok);

 private:
  void Branch(uint8_t code, Label label);

  struct PendingBranch {
    uint32_t offsetField;  // where the 16-bit offset goes
    Label label;
  };
  SwfBuffer code_;
  std::vector<int64_t> labels_;  // position of each label, -1 while unbound
  std::vector<PendingBranch> branches_;
  std::vector<uint32_t> openFunctions_;  // position of each open body's code-size field
  bool failed_ = false;
};

}  // namespace brelvano

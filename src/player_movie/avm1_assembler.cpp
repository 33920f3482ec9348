#include "player_movie/avm1_assembler.h"

#include <cmath>
#include <cstring>

namespace brelvano {

namespace {

void PutStringBytes(SwfBuffer& out, const std::string& text) {
  out.PutBytes(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()));
  out.PutByte(0);
}

}  // namespace

void Avm1Assembler::PushString(const std::string& text) {
  code_.PutByte(kActionPush);
  code_.PutU16(static_cast<uint32_t>(text.size()) + 2);  // type byte and terminator
  code_.PutByte(kPushString);
  PutStringBytes(code_, text);
}

void Avm1Assembler::PushNumber(double value) {
  code_.PutByte(kActionPush);
  if (std::floor(value) == value && value >= -2147483648.0 && value <= 2147483647.0 &&
      !(value == 0 && std::signbit(value))) {
    code_.PutU16(5);
    code_.PutByte(kPushInteger);
    code_.PutU32(static_cast<uint32_t>(static_cast<int32_t>(value)));
    return;
  }
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  code_.PutU16(9);
  code_.PutByte(kPushDouble);
  // AVM1 stores a double as its high 32-bit word first, each word little-endian.
  code_.PutU32(static_cast<uint32_t>(bits >> 32));
  code_.PutU32(static_cast<uint32_t>(bits));
}

void Avm1Assembler::PushBoolean(bool value) {
  code_.PutByte(kActionPush);
  code_.PutU16(2);
  code_.PutByte(kPushBoolean);
  code_.PutByte(value ? 1 : 0);
}

void Avm1Assembler::PushNull() {
  code_.PutByte(kActionPush);
  code_.PutU16(1);
  code_.PutByte(kPushNull);
}

void Avm1Assembler::PushUndefined() {
  code_.PutByte(kActionPush);
  code_.PutU16(1);
  code_.PutByte(kPushUndefined);
}

Avm1Assembler::Label Avm1Assembler::NewLabel() {
  labels_.push_back(-1);
  return static_cast<Label>(labels_.size() - 1);
}

void Avm1Assembler::Bind(Label label) {
  if (label < 0 || static_cast<size_t>(label) >= labels_.size() || labels_[label] >= 0) {
    failed_ = true;
    return;
  }
  labels_[label] = code_.GetPosition();
}

void Avm1Assembler::Branch(uint8_t code, Label label) {
  code_.PutByte(code);
  code_.PutU16(2);
  branches_.push_back({code_.GetPosition(), label});
  code_.PutU16(0);  // patched by Finish
}

void Avm1Assembler::BeginFunction(const std::string& name, const std::vector<std::string>& params) {
  SwfBuffer header;
  PutStringBytes(header, name);
  header.PutU16(static_cast<uint32_t>(params.size()));
  for (const std::string& param : params) PutStringBytes(header, param);
  code_.PutByte(kActionDefineFunction);
  code_.PutU16(header.GetPosition() + 2);  // the header and the code-size field
  code_.Append(header);
  openFunctions_.push_back(code_.GetPosition());
  code_.PutU16(0);  // code size, patched by EndFunction
}

void Avm1Assembler::EndFunction() {
  if (openFunctions_.empty()) {
    failed_ = true;
    return;
  }
  const uint32_t field = openFunctions_.back();
  openFunctions_.pop_back();
  const uint32_t size = code_.GetPosition() - (field + 2);
  if (size > 0xFFFF) failed_ = true;
  const uint32_t end = code_.GetPosition();
  code_.SetPosition(field);
  code_.PutU16(size);
  code_.SetPosition(end);
}

void Avm1Assembler::GetUrl2(uint8_t flags) {
  code_.PutByte(kActionGetUrl2);
  code_.PutU16(1);
  code_.PutByte(flags);
}

std::vector<uint8_t> Avm1Assembler::Finish(bool* ok) {
  bool good = !failed_ && openFunctions_.empty();
  const uint32_t end = code_.GetPosition();
  for (const PendingBranch& branch : branches_) {
    const bool bound = branch.label >= 0 && static_cast<size_t>(branch.label) < labels_.size() &&
                       labels_[branch.label] >= 0;
    if (!bound) {
      good = false;
      continue;
    }
    // Offsets count from the end of the branch action, that is behind its offset field.
    const int64_t offset = labels_[branch.label] - static_cast<int64_t>(branch.offsetField + 2);
    if (offset < -32768 || offset > 32767) good = false;
    code_.SetPosition(branch.offsetField);
    code_.PutU16(static_cast<uint32_t>(static_cast<int16_t>(offset)) & 0xFFFF);
  }
  code_.SetPosition(end);
  code_.PutByte(kActionEnd);
  if (ok) *ok = good;
  return std::vector<uint8_t>(code_.data(), code_.data() + code_.GetPosition());
}

}  // namespace brelvano

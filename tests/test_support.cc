#include "test_support.h"

#include "gtest/gtest.h"

TraceRecorder::TraceRecorder(uint32_t component_mask, uint32_t level_mask) {
  PLVTrace* trace = PLVTrace::s_defaultTracePtr;
  trace->SetSink(&TraceRecorder::Sink, this);
  trace->componentMask = component_mask;
  trace->levelMask = level_mask;
  trace->on = 1;
}

TraceRecorder::~TraceRecorder() {
  PLVTrace* trace = PLVTrace::s_defaultTracePtr;
  trace->on = 0;
  trace->componentMask = 0;
  trace->levelMask = 0;
  trace->SetSink(nullptr, nullptr);
}

int TraceRecorder::Sink(void* context, const char* file, unsigned int line,
                        unsigned long level, const char* text,
                        unsigned int length) {
  auto* self = static_cast<TraceRecorder*>(context);
  std::lock_guard<std::mutex> guard(self->mutex_);
  self->records_.push_back(TraceRecord{file != nullptr ? file : "",
                                       file == nullptr, line, level,
                                       std::string(text, length)});
  return self->write_result_;
}

std::vector<TraceRecord> TraceRecorder::records() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return records_;
}

std::vector<std::string> TraceRecorder::texts(unsigned long level) const {
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<std::string> out;
  for (const TraceRecord& r : records_) {
    if (r.level == level) out.push_back(r.text);
  }
  return out;
}

void TraceRecorder::clear() {
  std::lock_guard<std::mutex> guard(mutex_);
  records_.clear();
}

void SetRecord(PLVORBIInternalName& name, const char* text, gss_OID type,
               gss_OID mech) {
  if (text == nullptr) {
    EXPECT_EQ(name.Clean(), orbi_name::status::SUCCESS);
  } else {
    std::string copy(text);
    EXPECT_EQ(name.ChangeExternalName(copy.data()), orbi_name::status::SUCCESS);
  }
  PLVORBIInternalNamePeer::setNameType(name, type);
  PLVORBIInternalNamePeer::setMechType(name, mech);
}

void BindRecord(PLVORBIInternalName& name, const char* text) {
  SetRecord(name, text, ORBIGetOID(kORBIDefaultNameTypeIndex),
            ORBIGetOID(kORBIMechanismIndex));
}

std::string TextOf(const PLVORBIInternalName& name) {
  const char* value = PLVORBIInternalNamePeer::nameValue(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::vector<unsigned char> OidBytes(gss_OID oid) {
  const auto* p = static_cast<const unsigned char*>(oid->elements);
  return std::vector<unsigned char>(p, p + oid->length);
}

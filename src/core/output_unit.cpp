#include "core/output_unit.h"

namespace darnek {

bool OutputUnit::Open(const std::string& path) {
  Close();
  auto file = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!*file) return false;
  file_ = std::move(file);
  stream_ = file_.get();
  return true;
}

void OutputUnit::Attach(std::ostream& stream) {
  Close();
  stream_ = &stream;
}

void OutputUnit::Close() {
  if (!stream_) return;
  if (has_pending_) EndRecord();
  stream_->flush();
  if (file_) file_->close();
  file_.reset();
  stream_ = nullptr;
}

void OutputUnit::Emit(std::string_view text, bool end) {
  if (!stream_) return;
  pending_ += text;
  if (end) {
    *stream_ << pending_ << '\n';
    pending_.clear();
    has_pending_ = false;
  } else {
    has_pending_ = true;
  }
}

void OutputUnit::Put(const fortran::Records& records) {
  const size_t n = records.lines.size();
  for (size_t i = 0; i < n; ++i) {
    const bool last = i + 1 == n;
    Emit(records.lines[i], !(last && records.open));
  }
}

namespace {

// Every record a format completes ends the unit's open record.
class UnitRecords final : public fortran::RecordSink {
 public:
  explicit UnitRecords(OutputUnit& unit) : unit_(unit) {}
  void EndRecord(std::string&) override { unit_.EndRecord(); }

 private:
  OutputUnit& unit_;
};

}  // namespace

void OutputUnit::WriteValues(std::string_view format, std::span<const fortran::Value> values) {
  if (!stream_) return;
  UnitRecords records(*this);
  const bool open = formats_.Get(format).Run(values, pending_, records);
  if (open) has_pending_ = true;
}

void OutputUnit::ListValues(std::span<const fortran::Value> values) {
  if (!stream_) return;
  fortran::AppendListDirected(pending_, values);
  EndRecord();
}

std::string* OutputUnit::OpenRecord() {
  if (!stream_) return nullptr;
  has_pending_ = true;
  return &pending_;
}

void OutputUnit::Line(std::string_view text) { Emit(text, true); }

void OutputUnit::Append(std::string_view text) { Emit(text, false); }

void OutputUnit::EndRecord() { Emit("", true); }

}  // namespace darnek

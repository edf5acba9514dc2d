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

void OutputUnit::Line(std::string_view text) { Emit(text, true); }

void OutputUnit::Append(std::string_view text) { Emit(text, false); }

void OutputUnit::EndRecord() { Emit("", true); }

}  // namespace darnek

#include "core/output_unit.h"

namespace darnek {

void OutputUnit::Attach(std::ostream& stream) {
  Close();
  stream_ = &stream;
}

void OutputUnit::AttachDescriptor(int fd) {
  Close();
  fd_ = fd;
}

void OutputUnit::Attach(RunFile& file) {
  Close();
  file_ = &file;
}

void OutputUnit::Close() {
  if (!IsOpen()) return;
  // Detached first: a failing flush leaves nothing behind to write again.
  RunFile* file = file_;
  std::ostream* stream = stream_;
  if (has_pending_) EndRecord();
  file_ = nullptr;
  stream_ = nullptr;
  fd_ = -1;
  if (file) file->Flush();
  if (stream) stream->flush();
}

void OutputUnit::Emit(std::string_view text, bool end) {
  if (!IsOpen()) return;
  pending_ += text;
  if (end)
    Finish();
  else
    has_pending_ = true;
}

void OutputUnit::Finish() {
  Send(pending_);
  pending_.clear();
  has_pending_ = false;
}

void OutputUnit::Complete(std::string_view record) {
  // The format run has the unit's open record and empties it.
  Send(record);
  has_pending_ = false;
}

void OutputUnit::Send(std::string_view record) {
  if (file_) {
    file_->WriteLine(record);
  } else if (fd_ >= 0) {
    // One write for the record and its end: lines from several threads stay
    // whole. A failed console write is ignored, as a stream's is.
    char end = '\n';
    iovec parts[] = {{const_cast<char*>(record.data()), record.size()}, {&end, 1}};
    WriteFully(fd_, parts);
  } else {
    *stream_ << record << '\n';
  }
}

void OutputUnit::Put(const fortran::Records& records) {
  const size_t n = records.Lines.size();
  for (size_t i = 0; i < n; ++i) {
    const bool last = i + 1 == n;
    Emit(records.Lines[i], !(last && records.Open));
  }
}

void OutputUnit::WriteValues(std::string_view format, std::span<const fortran::Value> values) {
  if (IsOpen()) Run(formats_.Get(format), values);
}

void OutputUnit::Run(const fortran::CompiledFormat& format, std::span<const fortran::Value> values) {
  if (format.Run(values, pending_, *this)) has_pending_ = true;
}

void OutputUnit::ListValues(std::span<const fortran::Value> values) {
  if (!IsOpen()) return;
  fortran::AppendListDirected(pending_, values);
  EndRecord();
}

std::string* OutputUnit::OpenRecord() {
  if (!IsOpen()) return nullptr;
  has_pending_ = true;
  return &pending_;
}

void OutputUnit::Line(std::string_view text) {
  if (!IsOpen()) return;
  if (!pending_.empty()) return Emit(text, true);
  // No open record to continue: the text goes out as it stands.
  Send(text);
  has_pending_ = false;
}

void OutputUnit::Append(std::string_view text) { Emit(text, false); }

void OutputUnit::EndRecord() {
  if (IsOpen()) Finish();
}

}  // namespace darnek

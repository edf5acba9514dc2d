// Formats: parsed once, unrolled into a flat list of steps, run over the
// values into records, and kept for every later use.
#include "core/fortran_format.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include "core/field_layout.h"

namespace darnek::fortran {
namespace {

// ------------------------------------------------------------ format parsing

// A format as written: descriptors with repeat counts, groups nested. The
// items of a format lie in one list, each group followed by the items
// nested in it, so that parsing allocates once.
enum class ItemKind { Literal, X, Slash, Dollar, Colon, Scale, I, F, E, A, Group };

struct Item {
  ItemKind Kind = ItemKind::Literal;
  int Repeat = 1;
  int W = -1, D = -1, E = 0, M = -1;
  // A literal's text between its quotes, as written in the format; Quote is
  // its quote when the text holds doubled ones, each standing for one.
  std::string_view Text;
  char Quote = 0;
  // A group: the number of items nested in it, at every depth.
  uint32_t Nested = 0;
};

// The item at `at` and those nested in it.
std::span<const Item> WithNested(std::span<const Item> items, size_t at) {
  return items.subspan(at, 1 + items[at].Nested);
}

class Parser {
 public:
  explicit Parser(std::string_view format) : s_(format) {}

  std::vector<Item> ParseTop() {
    items_.reserve(s_.size() / 2 + 4);  // an item takes two characters at least
    SkipSeparators();
    if (!AtEnd() && s_[pos_] == '(') {
      ++pos_;
      ParseList(')');
    } else {
      ParseList('\0');
    }
    return std::move(items_);
  }

 private:
  bool AtEnd() const { return pos_ >= s_.size(); }
  void SkipSeparators() {
    while (!AtEnd() && (s_[pos_] == ' ' || s_[pos_] == ',' || s_[pos_] == '\t')) ++pos_;
  }
  [[noreturn]] void Fail(const char* what) const {
    throw std::logic_error(std::string("bad format '") + std::string(s_) + "': " + what);
  }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  bool ReadInt(int& value) {
    size_t start = pos_;
    bool negative = false;
    if (!AtEnd() && (s_[pos_] == '-' || s_[pos_] == '+')) {
      negative = s_[pos_] == '-';
      ++pos_;
    }
    size_t digits = pos_;
    int v = 0;
    while (!AtEnd() && IsDigit(s_[pos_])) v = v * 10 + (s_[pos_++] - '0');
    if (pos_ == digits) {
      pos_ = start;
      return false;
    }
    value = negative ? -v : v;
    return true;
  }
  int ExpectInt() {
    int v = 0;
    if (!ReadInt(v)) Fail("number expected");
    return v;
  }

  void ParseList(char close) {
    for (;;) {
      SkipSeparators();
      if (AtEnd()) {
        if (close != '\0') Fail("missing ')'");
        return;
      }
      if (s_[pos_] == close) {
        ++pos_;
        return;
      }
      ParseItem();
    }
  }

  void ParseItem() {
    int count = 0;
    const bool has_count = ReadInt(count);
    if (AtEnd()) Fail("descriptor expected");
    if (s_[pos_] == '(') {
      ++pos_;
      Item group;
      group.Kind = ItemKind::Group;
      group.Repeat = has_count ? count : 1;
      const size_t at = items_.size();
      items_.push_back(group);
      ParseList(')');
      items_[at].Nested = static_cast<uint32_t>(items_.size() - at - 1);
      return;
    }
    items_.push_back(ParseDescriptor(has_count, count));
  }

  // One item other than a group, after its repeat count.
  Item ParseDescriptor(bool has_count, int count) {
    Item item;
    char c = s_[pos_];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '\'' || c == '"') {
      // The text up to the closing quote; a doubled quote stands for one
      // and the text goes on after it.
      const char quote = s_[pos_++];
      const size_t start = pos_;
      for (;;) {
        const size_t end = s_.find(quote, pos_);
        if (end == std::string_view::npos) Fail("unterminated literal");
        pos_ = end + 1;
        if (AtEnd() || s_[pos_] != quote) {
          item.Text = s_.substr(start, end - start);
          break;
        }
        item.Quote = quote;
        ++pos_;
      }
      item.Kind = ItemKind::Literal;
      item.Repeat = has_count ? count : 1;
      return item;
    }
    ++pos_;
    switch (c) {
      case 'X':
        item.Kind = ItemKind::X;
        item.W = has_count ? count : 1;
        return item;
      case 'P':
        if (!has_count) Fail("P needs a scale factor");
        item.Kind = ItemKind::Scale;
        item.W = count;
        return item;
      case '/':
        item.Kind = ItemKind::Slash;
        item.Repeat = has_count ? count : 1;
        return item;
      case '$':
      case '\\':
        item.Kind = ItemKind::Dollar;
        return item;
      case ':':
        item.Kind = ItemKind::Colon;
        return item;
      case 'I':
        item.Kind = ItemKind::I;
        item.W = ExpectInt();
        if (!AtEnd() && s_[pos_] == '.') {
          ++pos_;
          item.M = ExpectInt();
        }
        break;
      case 'F':
        item.Kind = ItemKind::F;
        item.W = ExpectInt();
        if (AtEnd() || s_[pos_] != '.') Fail("F needs w.d");
        ++pos_;
        item.D = ExpectInt();
        break;
      case 'E':
        item.Kind = ItemKind::E;
        item.W = ExpectInt();
        if (AtEnd() || s_[pos_] != '.') Fail("E needs w.d");
        ++pos_;
        item.D = ExpectInt();
        if (!AtEnd() && (s_[pos_] == 'E' || s_[pos_] == 'e')) {
          ++pos_;
          item.E = ExpectInt();
        }
        break;
      case 'A': {
        item.Kind = ItemKind::A;
        int w = 0;
        if (ReadInt(w)) item.W = w;
        break;
      }
      default:
        Fail("unknown descriptor");
    }
    item.Repeat = has_count ? count : 1;
    return item;
  }

  std::string_view s_;
  size_t pos_ = 0;
  std::vector<Item> items_;
};

// Unrolls the items of a format into the flat list a run walks.
class Unroller {
 public:
  using Op = CompiledFormat::Op;
  using OpKind = CompiledFormat::OpKind;

  // Room for what a format of this length usually unrolls to (a step takes
  // two characters at least, a literal's text no more than the format), so
  // that compiling it grows nothing.
  explicit Unroller(size_t format_size) {
    ops_.reserve(std::min<size_t>(format_size / 2 + 4, 256));
    texts_.reserve(format_size);
  }

  // Nothing before this point merges with what follows: reversion jumps here.
  void Barrier() { barrier_ = ops_.size(); }
  size_t size() const { return ops_.size(); }

  void Add(std::span<const Item> items) {
    for (size_t i = 0; i < items.size(); ++i) {
      const Item& item = items[i];
      if (item.Kind == ItemKind::Group) {
        // A group of one literal, as a rule of 50('*'), is the literal
        // repeated: its copies join into one text anyway.
        const Item* first = item.Nested == 1 ? &items[i + 1] : nullptr;
        const long long copies = first ? static_cast<long long>(item.Repeat) * first->Repeat : 0;
        if (first && first->Kind == ItemKind::Literal && item.Repeat > 0 && copies <= INT_MAX) {
          AddLiteral(first->Text, first->Quote, static_cast<int>(copies));
        } else {
          for (int r = 0; r < item.Repeat; ++r) Add(items.subspan(i + 1, item.Nested));
        }
        i += item.Nested;
        continue;
      }
      Op op;
      op.Kind = static_cast<OpKind>(item.Kind);
      op.W = item.W;
      op.D = item.D;
      op.E = item.E;
      op.M = item.M;
      switch (item.Kind) {
        case ItemKind::Literal:
          AddLiteral(item.Text, item.Quote, item.Repeat);
          break;
        case ItemKind::X:
          AddBlanks(item.W);
          break;
        case ItemKind::Slash:
        case ItemKind::I:
        case ItemKind::F:
        case ItemKind::E:
        case ItemKind::A:
          for (int r = 0; r < item.Repeat; ++r) AddStep(op);
          break;
        default:
          AddStep(op);
      }
    }
  }

  // The steps, and the literal texts they point into.
  std::vector<Op> Finish(std::string& texts) {
    texts = std::move(texts_);
    return std::move(ops_);
  }

 private:
  // A run of this many steps is a format no report needs; most likely a
  // mistyped repeat count.
  static constexpr size_t kMaxSteps = 1 << 16;

  Op* Last(OpKind kind) {
    return ops_.size() > barrier_ && ops_.back().Kind == kind ? &ops_.back() : nullptr;
  }
  void Push(const Op& op) {
    if (ops_.size() >= kMaxSteps)
      throw std::logic_error("format too long once its repeat counts are unrolled");
    ops_.push_back(op);
  }
  void AddBlanks(int n) {
    if (Op* x = Last(OpKind::X)) {
      x->W += n;
      return;
    }
    Op op;
    op.Kind = OpKind::X;
    op.W = n;
    Push(op);
  }
  // A literal's text is always the last in texts_ while it is the last
  // step, so a literal that follows it extends it in place.
  void AddLiteral(std::string_view text, char quote, int repeat) {
    size_t blanks = 0;
    if (Op* x = Last(OpKind::X)) {
      // Blanks before a literal are always written: they become its text.
      blanks = static_cast<size_t>(std::max(x->W, 0));
      ops_.pop_back();
    }
    if (!Last(OpKind::Literal)) {
      Op op;
      op.Kind = OpKind::Literal;
      op.Text = static_cast<uint32_t>(texts_.size());
      Push(op);
    }
    texts_.append(blanks, ' ');
    if (quote == 0 && text.size() == 1 && repeat > 0) {  // a rule of one character
      texts_.append(static_cast<size_t>(repeat), text[0]);
      repeat = 0;
    }
    for (int r = 0; r < repeat; ++r) {
      if (quote == 0) {
        texts_ += text;
        continue;
      }
      // Quotes come doubled in the text, each pair standing for one.
      for (size_t i = 0; i < text.size(); ++i) {
        texts_ += text[i];
        if (text[i] == quote) ++i;
      }
    }
    Op& literal = ops_.back();
    literal.Size = static_cast<uint32_t>(texts_.size() - literal.Text);
  }
  void AddStep(Op op) {
    // A scale factor writes nothing: it goes before the blanks of nX
    // waiting before it, which then join what follows, as in 1X 1P E13.4.
    if (Op* x = op.Kind == OpKind::Scale ? Last(OpKind::X) : nullptr) {
      const Op blanks = *x;
      *x = op;
      Push(blanks);
      return;
    }
    const bool field =
        op.Kind == OpKind::I || op.Kind == OpKind::F || op.Kind == OpKind::E || op.Kind == OpKind::A;
    if (Op* x = field ? Last(OpKind::X) : nullptr) {
      op.Lead = x->W;
      ops_.pop_back();
    }
    Push(op);
  }

  std::vector<Op> ops_;
  std::string texts_;
  size_t barrier_ = 0;
};

// The record a run is writing: its pieces gather on the stack, where the
// fields are written in place, and go to the caller's line in one append per
// record (or per few hundred characters).
class Pieces {
 public:
  explicit Pieces(std::string& line) : line_(line) {}
  Pieces(const Pieces&) = delete;
  Pieces& operator=(const Pieces&) = delete;

  // Room for n characters; null when n is wider than the whole buffer, and
  // the caller appends to Line() instead.
  char* Room(size_t n) {
    if (used_ + n + kSlack > sizeof buffer_) {
      Flush();
      if (n + kSlack > sizeof buffer_) return nullptr;
    }
    char* p = buffer_ + used_;
    used_ += n;
    return p;
  }
  // Everything written so far, on the line.
  std::string& Line() {
    Flush();
    return line_;
  }
  // The whole record: straight from the buffer when it all fits there.
  std::string_view Record() {
    if (line_.empty()) return {buffer_, used_};
    return Line();
  }
  // Drops the record (once it has been handed on).
  void Clear() {
    used_ = 0;
    line_.clear();
  }
  [[gnu::always_inline]] void Blanks(int n) {
    if (n <= 0) return;
    if (char* p = Room(static_cast<size_t>(n)))
      LeadBlanks(p, n);
    else
      Line().append(static_cast<size_t>(n), ' ');
  }
  void Text(const char* text, size_t n) {
    if (char* p = Room(n))
      std::memcpy(p, text, n);
    else
      Line().append(text, n);
  }

 private:
  void Flush() {
    if (used_ == 0) return;  // as at the end of every run that completes its record
    line_.append(buffer_, used_);
    used_ = 0;
  }

  std::string& line_;
  size_t used_ = 0;
  char buffer_[512];
};
class CollectRecords final : public RecordSink {
 public:
  explicit CollectRecords(Records& records) : records_(records) {}
  void Complete(std::string_view record) override { records_.Lines.emplace_back(record); }

 private:
  Records& records_;
};

}  // namespace

CompiledFormat::CompiledFormat(std::string_view format) {
  const std::vector<Item> items = Parser(format).ParseTop();
  // The top-level items, each with those nested in it.
  size_t revert_item = 0;
  for (size_t i = 0; i < items.size(); i += 1 + items[i].Nested)
    if (items[i].Kind == ItemKind::Group) revert_item = i;
  Unroller unroller(format.size());
  for (size_t i = 0; i < items.size(); i += 1 + items[i].Nested) {
    if (i == revert_item) {
      unroller.Barrier();
      revert_at_ = unroller.size();
    }
    unroller.Add(WithNested(items, i));
  }
  ops_ = unroller.Finish(texts_);
  // Kept for the life of the process: no room beyond what it holds, so that
  // the hundred or so formats of a run lie on few pages.
  ops_.shrink_to_fit();
  texts_.shrink_to_fit();
}

bool CompiledFormat::Run(std::span<const Value> values, std::string& line, RecordSink& sink) const {
  const size_t count = values.size();
  size_t next = 0;
  bool consumed_any = false;
  bool dollar = false;
  int scale = 0;
  int pending_blanks = 0;  // nX not yet written: only written when something follows
  Pieces record(line);
  const auto end_record = [&] {
    sink.Complete(record.Record());
    record.Clear();
    pending_blanks = 0;
    dollar = false;
  };
  size_t from = 0;
  for (;;) {
    const Op* const last = ops_.data() + ops_.size();
    for (const Op* step = ops_.data() + from; step != last; ++step) {
      const Op& op = *step;
      switch (op.Kind) {
        case OpKind::Literal:
          record.Blanks(pending_blanks);
          pending_blanks = 0;
          record.Text(texts_.data() + op.Text, op.Size);
          continue;
        case OpKind::X:
          pending_blanks += op.W;
          continue;
        case OpKind::Slash:
          end_record();
          continue;
        case OpKind::Dollar:
          dollar = true;
          continue;
        case OpKind::Colon:
          if (next >= count) goto stopped;
          continue;
        case OpKind::Scale:
          scale = op.W;
          continue;
        default:
          break;
      }
      // Output stops at the first data descriptor without a value.
      if (next >= count) goto stopped;
      const Value& v = values[next++];
      consumed_any = true;
      const size_t width = static_cast<size_t>(std::max(op.W, 0));
      switch (op.Kind) {
        case OpKind::I:
          if (auto p = std::get_if<long long>(&v)) {
            record.Blanks(pending_blanks + op.Lead);
            if (char* field = record.Room(width))
              layout::PutI(field, op.W, *p, op.M);
            else
              AppendI(record.Line(), op.W, *p, op.M);
            break;
          }
          throw std::logic_error("I edit descriptor given a non-integer value");
        case OpKind::F:
          if (auto p = std::get_if<double>(&v)) {
            record.Blanks(pending_blanks + op.Lead);
            if (char* field = record.Room(width))
              layout::PutF(field, op.W, op.D, *p, scale);
            else
              AppendF(record.Line(), op.W, op.D, *p, scale);
            break;
          }
          throw std::logic_error("real edit descriptor given a non-real value");
        case OpKind::E:
          if (auto p = std::get_if<double>(&v)) {
            record.Blanks(pending_blanks + op.Lead);
            if (char* field = record.Room(width))
              layout::PutE(field, op.W, op.D, *p, scale, op.E);
            else
              AppendE(record.Line(), op.W, op.D, *p, scale, op.E);
            break;
          }
          throw std::logic_error("real edit descriptor given a non-real value");
        default:
          if (auto p = std::get_if<std::string_view>(&v)) {
            record.Blanks(pending_blanks + op.Lead);
            const size_t a_width = layout::AWidth(*p, op.W);
            if (char* field = record.Room(a_width)) {
              layout::PutA(field, *p, op.W);
            } else {
              std::string& whole = record.Line();
              whole.resize(whole.size() + a_width);
              layout::PutA(whole.data() + whole.size() - a_width, *p, op.W);
            }
            break;
          }
          throw std::logic_error("A edit descriptor given a non-text value");
      }
      pending_blanks = 0;
    }
    // The format is exhausted: values left revert it on a new record.
    if (next >= count) break;
    if (!consumed_any) throw std::logic_error("format has no data descriptor for its values");
    end_record();
    consumed_any = false;
    from = revert_at_;
  }
stopped:
  if (!dollar) {
    sink.Complete(record.Record());
    record.Clear();
  }
  record.Line();
  return dollar;
}

namespace {

// The stored entry of `format`: its text and its compiled form.
const std::pair<const std::string, CompiledFormat>& StoredFormat(std::string_view format) {
  // Every run writes the same hundred or so formats, all texts of the
  // engine's own code: each is compiled once and kept. An entry is never
  // changed or removed, so the reference stays good outside the lock.
  struct Store {
    struct Hash {
      using is_transparent = void;
      size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::mutex Mutex;
    std::unordered_map<std::string, CompiledFormat, Hash, std::equal_to<>> Formats;
  };
  // Never destroyed: a run may write while the process exits, after every
  // static object is gone.
  static Store* const store = new Store;
  const std::lock_guard<std::mutex> lock(store->Mutex);
  auto found = store->Formats.find(format);
  if (found == store->Formats.end()) found = store->Formats.emplace(format, CompiledFormat(format)).first;
  return *found;
}

}  // namespace

FormatLookup::Entry& FormatLookup::Find(const char* address) {
  const size_t mask = slots_.size() - 1;
  // Fibonacci hashing of the address: its low bits alone cluster.
  size_t i = static_cast<size_t>((reinterpret_cast<uintptr_t>(address) * 0x9E3779B97F4A7C15) >> 40) & mask;
  while (slots_[i].Address != nullptr && slots_[i].Address != address) i = (i + 1) & mask;
  return slots_[i];
}

void FormatLookup::Grow() {
  std::vector<Entry> old(slots_.empty() ? 128 : 2 * slots_.size());
  old.swap(slots_);
  for (const Entry& e : old)
    if (e.Address) Find(e.Address) = e;
}

const CompiledFormat& FormatLookup::GetConstant(std::string_view format) {
  if (!slots_.empty()) {
    const Entry& entry = Find(format.data());
    if (entry.Address && entry.Text.size() == format.size()) return *entry.Format;
  }
  return Get(format);
}

const CompiledFormat& FormatLookup::Get(std::string_view format) {
  if (format.data() == nullptr) return StoredFormat(format).second;
  if (2 * (used_ + 1) > slots_.size()) Grow();
  Entry& entry = Find(format.data());
  if (entry.Address && entry.Text == format) return *entry.Format;
  if (!entry.Address) ++used_;
  const auto& [text, compiled] = StoredFormat(format);
  entry = {format.data(), text, &compiled};
  return compiled;
}

Records ApplyFormat(std::string_view format, std::span<const Value> values) {
  Records records;
  CollectRecords sink(records);
  std::string line;
  records.Open = CompiledFormat(format).Run(values, line, sink);
  if (records.Open) records.Lines.push_back(std::move(line));
  return records;
}

}  // namespace darnek::fortran

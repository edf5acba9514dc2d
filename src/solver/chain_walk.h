// The pairing rule shared by every station-range table of the solver (soil
// curves, stiffness-and-load rows, restraints): an entry that stands alone
// covers its own FROM .. TO; an entry linked to the next one forms a range from
// its FROM to the next entry's TO, with its own values at FROM and the next
// entry's values at TO, varying linearly in between. A linked entry that is
// itself linked onward starts the next range at its own TO. A pair of zero span
// passes over its second entry and pairs the first with the entry after it.
#pragma once

namespace darnek::solver {

// One range of the walk: the entries (0-based) giving the values at its two
// ends, and its first and last station.
struct ChainRange {
  int First = 0;
  int Second = 0;
  int From = 0;
  int To = 0;
};

// Walks a table of `count` entries. `linked(i)` says whether entry i continues
// to the next entry; `from_of(i)` and `to_of(i)` give its stations. Allocates
// nothing; the table itself is never modified.
template <class Linked, class FromOf, class ToOf>
class ChainWalk {
 public:
  ChainWalk(int count, Linked linked, FromOf from_of, ToOf to_of)
      : count_(count), linked_(linked), from_of_(from_of), to_of_(to_of) {}

  // The next range, or false when no entry is left.
  bool Next(ChainRange& range) {
    while (next_ < count_) {
      const int first = next_;
      const int from = continued_ ? to_of_(first) : from_of_(first);
      if (!linked_(first)) {
        range = {first, first, from, to_of_(first)};
        next_ = first + 1;
        continued_ = false;
        return true;
      }
      int second = first + 1;
      while (second < count_ && to_of_(second) == from) ++second;
      if (second >= count_) {
        next_ = count_;
        // The entry already gave its values at the end of the previous range.
        if (continued_) return false;
        // A linked entry with nothing left to link to still carries its
        // values: it stands alone rather than being dropped.
        range = {first, first, from, to_of_(first)};
        return true;
      }
      range = {first, second, from, to_of_(second)};
      continued_ = linked_(second);
      next_ = continued_ ? second : second + 1;
      return true;
    }
    return false;
  }

 private:
  int count_;
  Linked linked_;
  FromOf from_of_;
  ToOf to_of_;
  int next_ = 0;
  bool continued_ = false;
};

template <class Linked, class FromOf, class ToOf>
ChainWalk<Linked, FromOf, ToOf> MakeChainWalk(int count, Linked linked, FromOf from_of, ToOf to_of) {
  return ChainWalk<Linked, FromOf, ToOf>(count, linked, from_of, to_of);
}

}  // namespace darnek::solver

// Storage for the outputs a run keeps in memory, and for the buffers of its
// output files, kept between runs.
//
// Pages the process has never touched are dear: on some machines a first
// touch costs more than formatting the page's text. A caller that makes run
// after run in memory would pay for a fresh report's worth of pages in every
// run, since the allocator gives large freed blocks back to the system. So a
// text's string, once the caller lets go of it, comes back here, and the next
// run's output of the same kind writes into it. The cache holds no run's data
// that anyone can see: a string is emptied before it is handed out again.
#pragma once

#include <memory>
#include <string>

namespace darnek::text_pool {

// One cache per kind of output (report, plot, ...), so that each gets back a
// string of about its own size; one more for the buffers of output files.
inline constexpr int kKinds = 6;
inline constexpr int kFileBuffers = 5;

// An empty string for an output of `kind`, with an earlier text's capacity
// when one is free.
std::string Take(int kind);

// The finished text, shared; its string comes back to `kind`'s cache when
// the last copy goes, from whichever thread lets go of it.
std::shared_ptr<const std::string> Share(std::string text, int kind);

// A string no longer needed, for `kind`'s cache; its text is dropped.
void Give(std::string text, int kind) noexcept;

// Strings waiting in `kind`'s cache (for tests).
size_t Waiting(int kind);

}  // namespace darnek::text_pool

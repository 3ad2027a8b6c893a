// Tables of text in -> exact text out for the formatting functions, with
// CString values printed as UTF-8 in quotes so that trailing spaces show.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>

#include "cmddll3/cmddll3.h"

inline void PrintTo(const CString& s, std::ostream* os) { *os << '"' << s.ToUtf8() << '"'; }

namespace utiltest {

inline std::string Show(const char16_t* text) { return text ? CString(text).ToUtf8() : "(null)"; }

template <class Out>
struct Case { const char16_t* in; Out out; };

// Checks fn(in) == out for every row; the row shows in a failure.
template <class Out, class Fn>
void ExpectAll(const char* name, Fn fn, std::initializer_list<Case<Out>> cases) {
  for (const Case<Out>& c : cases) EXPECT_EQ(fn(c.in), c.out) << name << "(" << Show(c.in) << ")";
}
template <class Fn>
void ExpectTexts(const char* name, Fn fn, std::initializer_list<Case<const char16_t*>> cases) {
  for (const auto& c : cases)
    EXPECT_EQ(fn(c.in), CString(c.out)) << name << "(" << Show(c.in) << ")";
}

}  // namespace utiltest

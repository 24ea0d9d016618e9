// The maker's addresses, shown in the about text of all nine modules. Macros,
// so that each about text is one string literal assembled at compile time.
#pragma once

#define OSTREL_WEBSITE "https://ostrel.example/"
#define OSTREL_EMAIL "tovin@ostrel.example"

// Lines 1 to 7 of every about text: name and version, author and date, then
// the two addresses, each block followed by an empty line.
#define OSTREL_ABOUT_HEAD(name, date)       \
  name ", v1.0.0\n"                         \
  "By Tovin Ashgrove, " date "\n"           \
  "\n"                                      \
  "Website: " OSTREL_WEBSITE "\n"           \
  "\n"                                      \
  "Email: " OSTREL_EMAIL "\n"               \
  "\n"

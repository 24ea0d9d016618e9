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

// Lines 1 to 11 of every about text: the head above, what the module is for
// (pinKind names its pins), and what Formula, A, B and C are.
#define OSTREL_ABOUT_INTRO(name, date, pinKind)                                        \
  OSTREL_ABOUT_HEAD(name, date)                                                        \
  "This module allows various binary functions to be performed with " pinKind " pins.\n" \
  "\n"                                                                                 \
  "Formula chooses the formula you wish to perform.\n"                                 \
  "A, B, and C are the inputs/outputs for the formulas."

// The closing note of the Int, Float and GuiInt texts, after an empty line.
#define OSTREL_INTEGER_BIT_NOTE                                                                 \
  "\n"                                                                                         \
  "\n"                                                                                         \
  "Note that this module operates at the bit level of the integer, so unexpected results may\n" \
  "     occur, if this is not taken into account."

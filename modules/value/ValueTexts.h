// The about texts of the Int, Float and Bool modules, assembled at compile
// time from their shared lines.
#pragma once

#include "modules/Maker.h"

// Lines 1 to 11: the common head, what the module is for and what its pins do.
#define OSTREL_VALUE_ABOUT(name, pinKind)                                          \
  OSTREL_ABOUT_HEAD(name, "07-Oct-06")                                             \
  "This module allows various binary functions to be performed with " pinKind      \
  " pins.\n"                                                                       \
  "\n"                                                                             \
  "Formula chooses the formula you wish to perform.\n"                             \
  "A, B, and C are the inputs/outputs for the formulas."

// The closing note of the Int and Float texts (the same words in both).
#define OSTREL_BIT_LEVEL_NOTE                                                                  \
  "\n"                                                                                         \
  "\n"                                                                                         \
  "Note that this module operates at the bit level of the integer, so unexpected results may\n" \
  "     occur, if this is not taken into account."

// The tools' one-line refusal: "PROGRAM: message" on standard error, then the usage error's exit.
#pragma once
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

// Prints "program: " and the formatted message on standard error and exits with code.
[[noreturn]] inline __attribute__((format(printf, 3, 4))) void failTool(const char* program, int code,
                                                                        const char* format, ...) {
  va_list args;
  va_start(args, format);
  fprintf(stderr, "%s: ", program);
  vfprintf(stderr, format, args);
  va_end(args);
  fputc('\n', stderr);
  exit(code);
}

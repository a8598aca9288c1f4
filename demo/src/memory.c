/* The two block routines the compiler may call. Built without loop-to-call
   rewriting so that they do not call themselves. */
#include "demo.h"

void *memset(void *d, int c, unsigned long n) {
  u8 *p = (u8 *)d;
  while (n--)
    *p++ = (u8)c;
  return d;
}

void *memcpy(void *d, const void *s, unsigned long n) {
  u8 *p = (u8 *)d;
  const u8 *q = (const u8 *)s;
  while (n--)
    *p++ = *q++;
  return d;
}

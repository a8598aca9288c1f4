| 32-bit multiply and divide for the compiler, in plain 68000 code (the
| processor has only 16-bit MULU/DIVU). C calling convention: arguments on
| the stack, result in d0, d0-d1/a0-a1 free to use.

        .text

| long __mulsi3(long a, long b): low 32 bits of a x b.
| a x b = al x bl + ((ah x bl + al x bh) << 16), modulo 2^32.
        .globl  __mulsi3
__mulsi3:
        move.w  4(%sp), %d0             | ah
        mulu.w  10(%sp), %d0            | ah x bl
        move.w  6(%sp), %d1             | al
        mulu.w  8(%sp), %d1             | al x bh
        add.w   %d1, %d0
        swap    %d0
        clr.w   %d0
        move.w  6(%sp), %d1
        mulu.w  10(%sp), %d1            | al x bl
        add.l   %d1, %d0
        rts

| Unsigned divide: d0 / d1 -> quotient in d0, remainder in d1. A zero
| divisor traps through the divide-by-zero vector.
unsignedDivide:
        move.l  %d2, -(%sp)
        cmp.l   #0xFFFF, %d1
        bhi.s   .Lwide
        | 16-bit divisor: two DIVU steps, high word first.
        move.l  %d0, %d2
        clr.w   %d2
        swap    %d2                     | 0 : high
        divu.w  %d1, %d2                | rest1 : quotientHigh
        swap    %d0
        move.w  %d2, %d0
        swap    %d0                     | quotientHigh : low
        move.w  %d0, %d2                | rest1 : low
        divu.w  %d1, %d2                | remainder : quotientLow
        move.w  %d2, %d0                | quotientHigh : quotientLow
        clr.w   %d2
        swap    %d2
        move.l  %d2, %d1
        move.l  (%sp)+, %d2
        rts
.Lwide:
        | Wider divisor: restoring division, one quotient bit per step.
        move.l  %d3, -(%sp)
        moveq   #0, %d2                 | partial remainder
        moveq   #31, %d3
1:      add.l   %d0, %d0                | next dividend bit into X
        addx.l  %d2, %d2
        bcs.s   2f                      | carried out: certainly >= divisor
        cmp.l   %d1, %d2
        bcs.s   3f
2:      sub.l   %d1, %d2
        addq.l  #1, %d0                 | quotient bit into the freed bit 0
3:      dbra    %d3, 1b
        move.l  %d2, %d1
        move.l  (%sp)+, %d3
        move.l  (%sp)+, %d2
        rts

| Signed divide of the caller's two stack arguments (at 8 and 12 past our
| return address): quotient in d0 (truncated toward zero), remainder in d1
| (sign of the dividend).
signedDivide:
        move.l  8(%sp), %d0
        move.l  12(%sp), %d1
        move.l  %d2, -(%sp)
        move.l  %d0, %d2
        eor.l   %d1, %d2                | bit 31: the quotient is negative
        tst.l   %d0
        bpl.s   1f
        neg.l   %d0
1:      tst.l   %d1
        bpl.s   2f
        neg.l   %d1
2:      bsr.s   unsignedDivide
        tst.l   %d2
        bpl.s   3f
        neg.l   %d0
3:      tst.l   12(%sp)                 | the dividend
        bpl.s   4f
        neg.l   %d1
4:      move.l  (%sp)+, %d2
        rts

        .globl  __udivsi3, __umodsi3, __divsi3, __modsi3
__udivsi3:
        move.l  4(%sp), %d0
        move.l  8(%sp), %d1
        bra     unsignedDivide

__umodsi3:
        move.l  4(%sp), %d0
        move.l  8(%sp), %d1
        bsr     unsignedDivide
        move.l  %d1, %d0
        rts

__divsi3:
        bsr.s   signedDivide
        rts

__modsi3:
        bsr.s   signedDivide
        move.l  %d1, %d0
        rts

        .section .note.GNU-stack, "", @progbits

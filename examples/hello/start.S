| Start-up of the hello program: the vectors, the frame interrupt and the idle loop.
| The board ends a frame when the PC reaches 0xA34 while bit 7 of the frame-flag byte
| (found through the long at 0x80014) is set; its frame interrupt clears the bit.
        .equ    FRAME_FLAG_POINTER, 0x80014
        .cfi_sections .debug_frame      | unwinding notes for gdb, outside the image
        .section .note.GNU-stack, "", @progbits
        .section .vectors, "a"
        .long   __stack_top, reset      | 0, 1: stack pointer and start address
        .rept   23                      | 2-24: faults and the spurious interrupt
        .long   stuck
        .endr
        .long   frameInterrupt          | 25: the level-1 interrupt, once per frame
        .rept   256 - 26                | 26-255: other interrupts, traps, the rest
        .long   stuck
        .endr
        .section .boot, "ax"
        .globl  reset
reset:  move.w  #0x2700, %sr
        lea     __stack_top, %sp
        lea     __data_load, %a0        | initialised data: from ROM to work RAM
        lea     __data_start, %a1
1:      cmp.l   #__data_end, %a1
        bcc.s   2f
        move.w  (%a0)+, (%a1)+
        bra.s   1b
2:      cmp.l   #__bss_end, %a1         | zero-initialised data, right after it
        bcc.s   3f
        clr.w   (%a1)+
        bra.s   2b
3:      move.l  #frameFlag, FRAME_FLAG_POINTER
        jsr     main
stuck:  jsr     waitFrame               | a fault, or main returning: frames go on
        bra.s   stuck
frameInterrupt:
        .cfi_startproc
        .cfi_signal_frame               | an interrupt: the PC stacked is the next instruction
        .cfi_def_cfa_offset 6           | the frame: SR, then the PC returned to
        bclr    #7, frameFlag           | lets waitFrame return
        rte
        .cfi_endproc
        .globl  waitFrame               | void waitFrame(void): returns after the next frame
waitFrame:
        .cfi_startproc
        bset    #7, frameFlag
        bra     idleLoop
        .cfi_endproc
        .section .idle, "ax"            | placed at 0xA34 by hello.ld
idleLoop:
        .cfi_startproc
        tst.b   frameFlag
        bmi.s   idleLoop
        rts
        .cfi_endproc
        .bss
frameFlag:
        .byte   0

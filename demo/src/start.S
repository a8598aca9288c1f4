| Start-up, vector table, frame interrupt and the idle loop of the demo.
| The board ends a frame when the PC sits at 0xA34 while bit 7 of the frame
| flag is set; the frame interrupt (vector 25) clears the flag, which lets
| waitFrame return to the main loop.

        .equ    FRAME_FLAG_POINTER, 0x80014
        .equ    VECTOR_COUNT, 256

        .section .note.GNU-stack, "", @progbits

        .section .vectors, "a"
        .long   __stack_top             | 0: initial supervisor stack pointer
        .long   reset                   | 1: initial PC
        .rept   22                      | 2-23: bus, address, illegal, ... faults
        .long   fault
        .endr
        .long   ignoreInterrupt         | 24: spurious interrupt
        .long   frameInterrupt          | 25: level-1 autovector, once per frame
        .rept   6                       | 26-31: other interrupt levels
        .long   ignoreInterrupt
        .endr
        .rept   16                      | 32-47: TRAP #n
        .long   ignoreInterrupt
        .endr
        .rept   VECTOR_COUNT - 48       | 48-255: reserved and user vectors
        .long   fault
        .endr

        .section .boot, "ax"
        .globl  reset
reset:
        move.w  #0x2700, %sr
        lea     __stack_top, %sp
        | Initialised data: copy from ROM to work RAM.
        lea     __data_load, %a0
        lea     __data_start, %a1
        lea     __data_end, %a2
1:      cmp.l   %a2, %a1
        bcc.s   2f
        move.w  (%a0)+, (%a1)+
        bra.s   1b
        | Zero-initialised data.
2:      lea     __bss_start, %a1
        lea     __bss_end, %a2
3:      cmp.l   %a2, %a1
        bcc.s   4f
        clr.w   (%a1)+
        bra.s   3b
4:      clr.b   frameFlag
        move.l  #frameFlag, FRAME_FLAG_POINTER
        jsr     demoMain
        | demoMain never returns; if it did, keep the board running frames.
        bra     halt

| Frame interrupt: lets the waiting main loop run one more step.
frameInterrupt:
        bclr    #7, frameFlag
        addq.l  #1, frameInterrupts
        rte

ignoreInterrupt:
        rte

| Any fault: show it on screen and keep presenting frames so the picture
| can be inspected; the CPU never returns to the faulting code.
fault:
        move.w  #0x2700, %sr
        lea     __stack_top, %sp
        jsr     showFault
halt:
        jsr     waitFrame
        bra.s   halt

| void waitFrame(void): returns after the next frame interrupt.
        .globl  waitFrame
waitFrame:
        bset    #7, frameFlag
        bra     idleLoop

        .section .idle, "ax"
| Must sit at exactly 0xA34: the board detects frame ends here.
idleLoop:
        tst.b   frameFlag
        bmi.s   idleLoop
        rts

        .bss
        .globl  frameFlag, frameInterrupts
        .even
frameInterrupts:
        .long   0
frameFlag:
        .byte   0
        .even

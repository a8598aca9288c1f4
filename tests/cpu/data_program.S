| A program whose .data holds initial values, linked as the starter program is (examples/hello/hello.ld):
| its start-up copies them from the ROM to work RAM, so .data's load address is not where it runs.
  .section .vectors, "a"
  .long 0x00090000, reset
  .section .boot, "ax"
  .globl reset
reset:
  lea __data_load, %a0
  lea __data_start, %a1
  move.w #3, %d0
copy:
  move.w (%a0)+, (%a1)+
  dbra %d0, copy
  jmp idle
  .section .idle, "ax"
idle:
  bra.s idle
  .text
  .globl sum
sum:
  move.w table, %d0
  add.w table+2, %d0
  rts
  .data
  .globl table
table:
  .word 0x1234, 0x5678, 0x9abc, 0xdef0

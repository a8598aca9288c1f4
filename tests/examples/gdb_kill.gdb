# The second gdb: the hung program's place, writes to ROM and to the sound port, then the end.
set confirm off
print $pc
set var *(char *)0x1000 = 5
set var *(unsigned char *)0xC0001 = 7
print *(char *)0x1000
kill

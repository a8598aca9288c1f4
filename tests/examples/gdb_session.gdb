# The first gdb: run to main, into ballPen and out, a watched global changed by the program and by
# gdb, an interrupt, then a hang laid in ROM (ballPen made a BRA.S *) before gdb detaches.
set pagination off
set confirm off
break main
continue
break ballPen
continue
bt
print x
step
finish
next
delete
watch frames
continue
print frames
set var frames = 100
continue
x/4xb &frames
info registers pc
delete
shell (sleep 1; kill -INT $PPID) &
continue
set var *(unsigned short *)ballPen = 0x60fe
set var $pc = ballPen
detach

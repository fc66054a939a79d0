! Recursive Fibonacci: fib(r4) -> r0. Each level that recurses pushes PR and its argument, calls
! itself twice with BSR (the argument adjusted in the delay slot), and pops both back before its
! RTS. A leaf (r4 < 2) costs 6 cycles; a recursing level 21 plus its two calls.
fib:
        mov     #2,r1
        cmp/ge  r1,r4
        bt      recurse
        rts
        mov     r4,r0
recurse:
        sts.l   pr,@-r15
        mov.l   r4,@-r15
        bsr     fib
        add     #-1,r4
        mov.l   @r15,r4
        mov.l   r0,@r15
        bsr     fib
        add     #-2,r4
        mov.l   @r15+,r1
        add     r1,r0
        lds.l   @r15+,pr
        rts
        nop

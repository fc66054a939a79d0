! Signed 32-bit division r1 / r0 -> r1 (quotient, rounded toward zero). The dividend is
! sign-extended into r2 and taken as its one's complement when negative; DIV0S sets up the signs,
! 32 rounds of ROTCL and DIV1 divide, and ADDC turns a negative one's-complement quotient into
! two's complement. Straight-line: 75 cycles with the return.
sdiv:
        mov     r1,r2
        rotcl   r2
        subc    r2,r2
        xor     r3,r3
        subc    r3,r1
        div0s   r0,r2
        .rept   32
        rotcl   r1
        div1    r0,r2
        .endr
        rotcl   r1
        addc    r3,r1
        rts
        nop

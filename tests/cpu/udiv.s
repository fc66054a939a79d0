! Unsigned 32-bit division r4 / r5 -> r0 (quotient; r1 = 0 is the dividend's high word, which
! must stay below the divisor). DIV0U, then 32 rounds of ROTCL and DIV1, then the last ROTCL
! shifts in the final quotient bit. Straight-line: 70 cycles with the return.
udiv:
        mov     #0,r1
        div0u
        .rept   32
        rotcl   r4
        div1    r5,r1
        .endr
        rotcl   r4
        rts
        mov     r4,r0

! Jumps to 0xFFFFFFFF from address 0xABC, a target the CPU cannot execute: the adapter must
! report the stop with the jump's address.

        .text
        .long   start
        .long   0x06100000

        .org    0xABA
start:
        mov     #-1, r0
        jmp     @r0                     ! at 0xABC
        nop

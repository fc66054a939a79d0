! Counts vertical blanks in RAM word 0 from a handler that acknowledges level 4, and jumps
! to 0xFFFFFFFF (a stop) once the test puts a non-zero word into RAM word 1.

        .equ    RAM, 0x06000000
        .equ    VBLANK_ACK, 0x0405FFDC

        .text
        .long   start
        .long   0x06100000
        .org    66 * 4
        .long   vblank

        .org    0x400
start:
        mov.l   ram_base, r8
        mov     #0, r0
        ldc     r0, sr
poll:
        mov.l   @(4, r8), r0
        tst     r0, r0
        bt      poll
        mov     #-1, r1
        bra     stop_here
        nop
        .org    0x480
stop_here:
        jmp     @r1                     ! the test expects the stop at 0x480
        nop

vblank:
        mov.l   r0, @-r15
        mov.l   r1, @-r15
        mov.l   ack_address, r1
        mov     #0, r0
        mov.l   r0, @r1
        mov.l   ram_base, r1
        mov.l   @r1, r0
        add     #1, r0
        mov.l   r0, @r1
        mov.l   @r15+, r1
        mov.l   @r15+, r0
        rte
        nop

        .balign 4
ram_base:       .long   RAM
ack_address:    .long   VBLANK_ACK

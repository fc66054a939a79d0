! Counts vertical blanks in RAM word 0 from a handler that acknowledges level 4, and jumps
! to 0xFFFFFFFF (a stop) once the test puts a non-zero word into RAM word 1.


        .include "board_program.inc"

        .text
        .long   start
        .long   STACK_TOP
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

        VBLANK_HANDLER

        .balign 4
ram_base:       .long   RAM
ack_address:    .long   VBLANK_ACK

! Periodic compare-match A interrupts of the free-running timer: OCRA = 1000 at clock / 8 with
! counter clear on match, so one every 8,000 cycles. The handler clears OCFA and counts in RAM
! word 2; vertical blanks are acknowledged and counted in RAM word 0.

        .equ    FRT_VECTOR, 0x50

        .include "board_program.inc"

        .text
        .long   start
        .long   STACK_TOP
        .org    66 * 4
        .long   vblank
        .org    FRT_VECTOR * 4
        .long   compare_a

        .org    0x400
start:
        mov.l   ram_base, r8
        mov.l   frt_base, r9            ! 0xFFFFFE10
        mov.w   ocra, r0
        mov.w   r0, @(4, r9)            ! OCRA (TOCR.OCRS = 0)
        mov     #0, r0
        mov.b   r0, @(6, r9)            ! TCR: clock / 8
        mov     #1, r0
        mov.b   r0, @(1, r9)            ! FTCSR: CCLRA
        mov     #8, r0
        mov.b   r0, @(0, r9)            ! TIER: OCIAE
        mov.l   iprb, r1
        mov     #5, r0
        mov.b   r0, @r1                 ! IPRB bits 11-8: FRT priority 5
        mov.l   vcrc_low, r1
        mov     #FRT_VECTOR, r0
        mov.b   r0, @r1                 ! VCRC bits 6-0: compare vector
        mov     #0, r0
        ldc     r0, sr
idle:
        bra     idle
        nop

compare_a:
        ENTER
        mov.l   frt_base, r1
        mov     #1, r0
        mov.b   r0, @(1, r1)            ! clear OCFA, keep CCLRA
        mov.l   ram_base, r1
        mov.l   @(8, r1), r0
        add     #1, r0
        mov.l   r0, @(8, r1)
        LEAVE

        VBLANK_HANDLER

ocra:           .word   1000
        .balign 4
ram_base:       .long   RAM
ack_address:    .long   VBLANK_ACK
frt_base:       .long   0xFFFFFE10
iprb:           .long   0xFFFFFE60
vcrc_low:       .long   0xFFFFFE67

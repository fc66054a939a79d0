! Keeps every part of the board busy for the save-state tests: free-running timer compare
! interrupts (OCRA 3000 at clock / 8), sound-chip timer 1 interrupts, a wavetable note whose
! pitch the main loop changes, and a main loop that divides, writes work RAM, drives the
! EEPROM lines and reads the EEPROM port. RAM word 0 counts vertical blanks, word 2 compare
! interrupts, word 3 sound interrupts, word 4 is a running checksum; 0x06000400 on is a
! 256-word buffer.

        .equ    FRT_VECTOR, 0x50

        .include "board_program.inc"

        .text
        .long   start
        .long   STACK_TOP
        .org    66 * 4
        .long   vblank
        .org    70 * 4
        .long   sound_irq
        .org    FRT_VECTOR * 4
        .long   compare_a

        .org    0x400
start:
        mov.l   ram_base, r8
        mov.l   frt_base, r9
        mov.l   sound_base, r10
        mov.l   divu_base, r11
        mov.l   eeprom_port, r12

        mov.w   ocra, r0
        mov.w   r0, @(4, r9)            ! OCRA
        mov     #0, r0
        mov.b   r0, @(6, r9)            ! TCR: clock / 8
        mov     #1, r0
        mov.b   r0, @(1, r9)            ! FTCSR: CCLRA
        mov     #8, r0
        mov.b   r0, @(0, r9)            ! TIER: OCIAE
        mov.l   iprb, r1
        mov     #5, r0
        mov.b   r0, @r1
        mov.l   vcrc_low, r1
        mov     #FRT_VECTOR, r0
        mov.b   r0, @r1

        mova    sound_setup, r0
        mov     r0, r1
sound_next:
        mov.b   @r1+, r0                ! port offset, or -1 at the end
        cmp/eq  #-1, r0
        bt      sound_done
        mov     r0, r2
        add     r10, r2
        mov.b   @r1+, r0
        mov.b   r0, @r2
        bra     sound_next
        nop
sound_done:
        mov     #0, r0
        ldc     r0, sr
        mov     #0, r13

main:
        add     #1, r13
        mov     r13, r0
        add     #3, r0
        mov.l   r0, @r11                ! DVSR = n + 3
        mov.l   dividend, r1
        add     r13, r1
        mov.l   r1, @(4, r11)           ! DVDNT: 32/32 division
        mov.l   @(4, r11), r2           ! quotient
        mov.l   @(16, r11), r3          ! remainder
        mov.l   @(16, r8), r0
        add     r2, r0
        xor     r3, r0
        mov.l   r0, @(16, r8)

        mov     r13, r0
        and     #255, r0
        shll2   r0
        mov.l   buffer, r1
        add     r0, r1
        mov.l   @(16, r8), r2
        mov.l   r2, @r1                 ! buffer[n & 255] = checksum

        mov     r13, r0
        shll2   r0
        shll2   r0
        shll    r0
        mov.b   r0, @r12                ! EEPROM lines from bits 2-0 of n
        mov.l   @r12, r0                ! DIP bits and data out
        mov.l   @(16, r8), r1
        add     r0, r1
        mov.l   r1, @(16, r8)

        mov     r13, r0
        tst     #63, r0
        bf      main
        stc     sr, r7                  ! every 64th pass: a new pitch, interrupts masked
        mov     #-16, r0
        ldc     r0, sr
        mov     #0x20, r0
        mov.b   r0, @(4, r10)           ! wavetable slot 0: F-number low
        mov     r13, r0
        shlr2   r0
        shlr2   r0
        shlr    r0
        and     #0xFE, r0
        mov.b   r0, @(5, r10)
        ldc     r7, sr
        bra     main
        nop

compare_a:
        ENTER
        mov     #1, r0
        mov.b   r0, @(1, r9)            ! clear OCFA, keep CCLRA
        mov.l   @(8, r8), r0
        add     #1, r0
        mov.l   r0, @(8, r8)
        mov.w   @(2, r9), r0            ! FRC
        mov.l   @(16, r8), r1
        add     r0, r1
        mov.l   r1, @(16, r8)
        LEAVE

sound_irq:
        mov.l   r0, @-r15
        mov     #4, r0
        mov.b   r0, @(0, r10)
        mov.w   reset_flags, r0
        mov.b   r0, @(1, r10)
        mov.l   @(12, r8), r0
        add     #1, r0
        mov.l   r0, @(12, r8)
        mov.l   @r15+, r0
        rte
        nop

        VBLANK_HANDLER

ocra:           .word   3000
reset_flags:    .word   0x80
        .balign 4
ram_base:       .long   RAM
frt_base:       .long   0xFFFFFE10
sound_base:     .long   0x03100000
divu_base:      .long   0xFFFFFF00
eeprom_port:    .long   0x03000004
iprb:           .long   0xFFFFFE60
vcrc_low:       .long   0xFFFFFE67
ack_address:    .long   VBLANK_ACK
dividend:       .long   0x12345678
buffer:         .long   RAM + 0x400
        .balign 4
sound_setup:                            ! port offset, byte
        .byte   0, 0x02, 1, 200         ! timer 1 preset: 56 steps
        .byte   2, 0x05, 3, 0x03        ! NEW and NEW2: the wavetable engine on
        .byte   4, 0x38, 5, 0x00        ! slot 0: octave 0
        .byte   4, 0x20, 5, 0x00        ! F-number 0
        .byte   4, 0x08, 5, 0x00        ! tone 0 (loads its header)
        .byte   4, 0x50, 5, 0x01        ! full level, at once
        .byte   4, 0x68, 5, 0x80        ! key on
        .byte   0, 0x04, 1, 0x01        ! start timer 1
        .byte   -1

! Sound-chip timer 1 (preset 236: 20 steps) started by a port write; each expiry raises level
! 12, whose handler resets the chip's flags (lowering the line) and counts in RAM word 3.

        .equ    SOUND, 0x03100000

        .include "board_program.inc"

        .text
        .long   start
        .long   STACK_TOP
        .org    66 * 4
        .long   vblank
        .org    70 * 4
        .long   sound_irq

        .org    0x400
start:
        mov.l   ram_base, r8
        mov.l   sound_base, r9
        mov     #2, r0
        mov.b   r0, @(0, r9)            ! address: timer 1 preset
        mov.w   preset, r0
        mov.b   r0, @(1, r9)
        mov     #4, r0
        mov.b   r0, @(0, r9)            ! address: timer control
        mov     #1, r0
        mov.b   r0, @(1, r9)            ! start timer 1, unmasked
        mov     #0, r0
        ldc     r0, sr
idle:
        bra     idle
        nop

sound_irq:
        ENTER
        mov.l   sound_base, r1
        mov     #4, r0
        mov.b   r0, @(0, r1)
        mov.w   reset_flags, r0
        mov.b   r0, @(1, r1)            ! reset the flags: the interrupt output goes low
        mov.l   ram_base, r1
        mov.l   @(12, r1), r0
        add     #1, r0
        mov.l   r0, @(12, r1)
        LEAVE

        VBLANK_HANDLER

preset:         .word   236
reset_flags:    .word   0x80
        .balign 4
ram_base:       .long   RAM
sound_base:     .long   SOUND
ack_address:    .long   VBLANK_ACK

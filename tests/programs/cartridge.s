! The test cartridge: the SH-2 program that tools/make_test_romset puts into the program
! members of the synthetic ROM set. It is a test program of this project, not the game: it
! counts frames in work RAM from its vertical-blank handler (which acknowledges the interrupt)
! and otherwise spins.

        .equ    RAM, 0x06000000
        .equ    STACK_TOP, 0x06100000
        .equ    VBLANK_ACK, 0x0405FFDC

        .text
vectors:
        .long   start                   ! power-on PC
        .long   STACK_TOP               ! power-on R15
        .org    66 * 4
        .long   vblank                  ! level 4: vertical blank

        .org    0x400
start:
        mov.l   ram_base, r8
        mov     #0, r0
        mov.l   r0, @r8                 ! frame count
        ldc     r0, sr                  ! interrupts on
idle:
        bra     idle
        nop

vblank:
        mov.l   r0, @-r15
        mov.l   r1, @-r15
        mov.l   ack_address, r1
        mov     #0, r0
        mov.l   r0, @r1                 ! acknowledge: lowers level 4
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

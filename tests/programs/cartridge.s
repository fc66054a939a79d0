! The test cartridge, the SH-2 program in the program members of the synthetic ROM set (a test
! program of this project, not the game). It drives the board as a game does, so that every
! path from the CPU to picture and sound runs: vectors, stack, SR, a vertical-blank and a
! sound-timer handler, the video chip, the sound chip, the input port, the divider and the
! serial EEPROM. This file holds the boot, the main loop and the interrupt handlers; the
! subsystems are in cartridge_video.inc, cartridge_sound.inc and cartridge_eeprom.inc, the
! tables in cartridge_data.inc.
!
! Frame by frame (the board latches the sprite list at the end of each frame and shows it in
! the next one):
!   frame 0   boot: palette, tilemaps, layers, EEPROM read, sound set-up, first notes
!   frame 1   first pass of the main loop: sprites written, latched at the end of the frame
!   frame 2+  the sprites are on screen; the score counts, the stick moves the player
!   every 64 frames, when the score beat the best one, the best score goes to the EEPROM
!             over the next frames, one byte per frame
!
! With the debug DIP switch on at boot (input port bit 6 low) it runs the stress mode, the
! benchmark workload: the CPU never sleeps, 1,000 sprites, all four layers in per-line mode
! with zoom, all 24 wavetable slots and all 18 FM channels playing.

        .equ    RAM, 0x06000000
        .equ    STACK_TOP, 0x06100000
        .equ    STOP, 0xFFFFFFFF        ! a vector here stops the CPU (reported by the host)

        .equ    INPUT_PORT, 0x03000000
        .equ    EEPROM_PORT, 0x03000004
        .equ    SOUND_PORT, 0x03100000
        .equ    VIDEO_RAM, 0x04000000
        .equ    PALETTE, 0x04040000
        .equ    ZOOM_TABLE, 0x04050000
        .equ    VBLANK_ACK, 0x0405FFDC
        .equ    VIDEO_REGS, 0x0405FFE0
        .equ    DIVU, 0xFFFFFF00        ! DVSR; +4 DVDNT (quotient), +0x10 DVDNTH (remainder)

        .equ    SCORE_P1, 0x06070F34    ! u32 scores, read by the host's readouts
        .equ    SCORE_P2, 0x0607123C

        ! Variables, GBR-relative (GBR = RAM).
        .equ    V_FRAME, 0x00           ! frames counted by the vertical-blank handler
        .equ    V_DONE, 0x04            ! last frame the main loop handled
        .equ    V_STRESS, 0x08          ! 1 = stress mode
        .equ    V_PRESSED, 0x0C         ! input port inverted: 1 = pressed
        .equ    V_PLAYER_X, 0x10
        .equ    V_PLAYER_Y, 0x14
        .equ    V_PLAYER_PAL, 0x18      ! palette number of the player sprite
        .equ    V_TICK, 0x1C            ! sound-timer interrupts handled
        .equ    V_CHIP_ID, 0x20         ! status byte read right after the OPL4 mode was set
        .equ    V_BEST, 0x24            ! best score, loaded from the EEPROM at boot
        .equ    V_SAVE_STEP, 0x28       ! 0 idle, 1 writing bytes, 2 closing
        .equ    V_SAVE_INDEX, 0x2C      ! next EEPROM byte to write
        .equ    V_ALPHA_X, 0x30         ! x of the translucent sprite
        .equ    V_ALPHA_DX, 0x34        ! its step, +2 or -2
        .equ    V_SAVE_BUF, 0x40        ! 8 bytes: the EEPROM record
        .equ    V_DIGITS, 0x48          ! 8 bytes: decimal digits of a score
        .equ    VARIABLES_END, 0x60

        .equ    PAL_SEA, 0              ! palette numbers (x 16 = first entry); 8-bit tiles use
        .equ    PAL_SKYLINE, 16         ! 256 entries from there
        .equ    PAL_CLOUD, 32
        .equ    PAL_GREEN, 48
        .equ    PAL_RED, 64
        .equ    PAL_BLUE, 80
        .equ    PAL_YELLOW, 96
        .equ    PAL_LILAC, 112
        .equ    PAL_DIGIT, 128
        .equ    PAL_HUD, 144
        .equ    PAL_ALPHA, 160
        .equ    PAL_SUN, 176


        .equ    PLAYER_X0, 144
        .equ    PLAYER_Y0, 150
        .equ    SAVE_PERIOD_MASK, 63    ! the best score is checked every 64 frames

        .text
! --- vector table (VBR = 0) ----------------------------------------------------------------
vectors:
        .long   start, STACK_TOP        ! 0, 1: power-on reset PC and R15
        .long   start, STACK_TOP        ! 2, 3: manual reset
        .rept   62
        .long   STOP                    ! 4-65: exceptions, TRAPA and levels 0-3
        .endr
        .long   vblank                  ! 66: level 4, vertical blank
        .long   STOP, STOP, STOP        ! 67-69
        .long   sound_irq               ! 70: level 12, sound chip
        .rept   57
        .long   STOP                    ! 71-127
        .endr

! --- boot -----------------------------------------------------------------------------------
start:
        mov.l   k_ram, r0
        ldc     r0, gbr
        ! clear the variables (the board clears RAM at reset; a game does not count on it)
        mov.l   k_ram, r1
        mov     #VARIABLES_END / 4, r2
        mov     #0, r0
1:      mov.l   r0, @r1
        dt      r2
        bf/s    1b
        add     #4, r1
        ! the debug DIP switch, read once: stress mode
        mov.l   k_input_port, r1
        mov.l   @r1, r0
        tst     #0x40, r0               ! T = bit 6 low = switch on
        movt    r0
        mov.l   r0, @(V_STRESS, gbr)
        ! game state
        mov.l   k_player_x0, r0
        mov.l   r0, @(V_PLAYER_X, gbr)
        mov.l   k_player_y0, r0
        mov.l   r0, @(V_PLAYER_Y, gbr)
        mov     #2, r0
        mov.l   r0, @(V_ALPHA_DX, gbr)
        ! subsystems, interrupts still masked
        mov.l   k_video_init, r0
        jsr     @r0
        nop
        mov.l   k_eeprom_load_best, r0
        jsr     @r0
        nop
        mov.l   k_sound_init, r0
        jsr     @r0
        nop
        mov     #0, r0
        ldc     r0, sr                  ! I = 0: vertical blank and sound timer on

! --- main loop: one pass per frame ----------------------------------------------------------
main_loop:
        bsr     wait_frame
        nop
        bsr     read_input
        nop
        bsr     game_update
        nop
        mov.l   k_video_update, r0
        jsr     @r0
        nop
        mov.l   k_best_score_step, r0
        jsr     @r0
        nop
        bra     main_loop
        nop

! Waits for the next vertical blank: polls in stress mode, sleeps until an interrupt otherwise.
wait_frame:
        mov.l   @(V_DONE, gbr), r0
        mov     r0, r1
        mov.l   @(V_STRESS, gbr), r0
        tst     r0, r0
        bt      2f
1:      mov.l   @(V_FRAME, gbr), r0
        cmp/eq  r0, r1
        bt      1b
        rts
        mov.l   r0, @(V_DONE, gbr)
2:      mov.l   @(V_FRAME, gbr), r0
        cmp/eq  r0, r1
        bf      3f
        sleep
        bra     2b
        nop
3:      rts
        mov.l   r0, @(V_DONE, gbr)

read_input:
        mov.l   k_input_port, r1
        mov.l   @r1, r0
        not     r0, r0                  ! active low
        rts
        mov.l   r0, @(V_PRESSED, gbr)

! Player 1's stick moves the player, the buttons pick its colour, start restarts the score;
! both scores count up; the translucent sprite bounces across the screen.
game_update:
        mov.l   @(V_PRESSED, gbr), r0
        mov     r0, r1
        mov.l   @(V_PLAYER_X, gbr), r0
        mov     r0, r4
        mov.l   @(V_PLAYER_Y, gbr), r0
        mov     r0, r5
        shll    r1                      ! bit 31: up
        bf      1f
        add     #-2, r5
1:      shll    r1                      ! bit 30: down
        bf      1f
        add     #2, r5
1:      shll    r1                      ! bit 29: right
        bf      1f
        add     #2, r4
1:      shll    r1                      ! bit 28: left
        bf      1f
        add     #-2, r4
1:      ! keep the player on screen: x 0-288, y 24-176
        mov     #0, r0
        cmp/gt  r4, r0
        bf      1f
        mov     r0, r4
1:      mov.l   k_player_x_max, r0
        cmp/gt  r0, r4
        bf      1f
        mov     r0, r4
1:      mov     #24, r0
        cmp/gt  r5, r0
        bf      1f
        mov     r0, r5
1:      mov.l   k_player_y_max, r0
        cmp/gt  r0, r5
        bf      1f
        mov     r0, r5
1:      mov     r4, r0
        mov.l   r0, @(V_PLAYER_X, gbr)
        mov     r5, r0
        mov.l   r0, @(V_PLAYER_Y, gbr)
        ! colour: button 1 red, else button 2 blue, else button 3 yellow, else green
        shll    r1                      ! bit 27: button 1
        movt    r6
        shll    r1                      ! bit 26: button 2
        movt    r7
        mov     #PAL_GREEN, r2
        shll    r1                      ! bit 25: button 3
        bf      1f
        mov     #PAL_YELLOW, r2
1:      tst     r7, r7
        bt      1f
        mov     #PAL_BLUE, r2
1:      tst     r6, r6
        bt      1f
        mov     #PAL_RED, r2
1:      mov     r2, r0
        mov.l   r0, @(V_PLAYER_PAL, gbr)
        ! scores; start restarts player 1's
        mov.l   k_score_p1, r3
        mov.l   @r3, r0
        shll    r1                      ! bit 24: start
        bf/s    1f
        add     #10, r0
        mov     #0, r0
1:      mov.l   r0, @r3
        mov.l   k_score_p2, r3
        mov.l   @r3, r0
        add     #3, r0
        mov.l   r0, @r3
        ! translucent sprite: x 0-272, step +-2, turning at the edges
        mov.l   @(V_ALPHA_DX, gbr), r0
        mov     r0, r2
        mov.l   @(V_ALPHA_X, gbr), r0
        mov     r0, r3
        add     r2, r0
        mov.l   k_alpha_x_max, r1
        cmp/gt  r1, r0
        bt      1f
        cmp/pz  r0
        bt      2f
1:      neg     r2, r2
        mov     r2, r0
        mov.l   r0, @(V_ALPHA_DX, gbr)
        mov     r3, r0
        add     r2, r0
2:      rts
        mov.l   r0, @(V_ALPHA_X, gbr)

! --- interrupt handlers ---------------------------------------------------------------------
! Level 4 is held by the board until acknowledged, so the handler acknowledges first.
vblank:
        mov.l   r0, @-r15
        mov.l   r1, @-r15
        mov.l   k_vblank_ack, r1
        mov     #0, r0
        mov.l   r0, @r1                 ! bits 22 and 23 clear: lowers level 4
        mov.l   @(V_FRAME, gbr), r0
        add     #1, r0
        mov.l   r0, @(V_FRAME, gbr)
        mov.l   @r15+, r1
        mov.l   @r15+, r0
        rte                             ! (the slot runs after the PC and SR pops)
        nop

        .balign 4
k_ram:                  .long   RAM
k_input_port:           .long   INPUT_PORT
k_vblank_ack:           .long   VBLANK_ACK
k_score_p1:             .long   SCORE_P1
k_score_p2:             .long   SCORE_P2
k_video_init:           .long   video_init
k_video_update:         .long   video_update
k_sound_init:           .long   sound_init
k_eeprom_load_best:     .long   eeprom_load_best
k_best_score_step:      .long   best_score_step
k_player_x0:            .long   PLAYER_X0
k_player_y0:            .long   PLAYER_Y0
k_player_x_max:         .long   288
k_player_y_max:         .long   176
k_alpha_x_max:          .long   272
        .balign 4

        .include "cartridge_video.inc"
        .include "cartridge_sound.inc"
        .include "cartridge_eeprom.inc"
        .include "cartridge_data.inc"

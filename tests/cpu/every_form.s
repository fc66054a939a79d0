! One instruction of every decode row, in the order of cpu/decode_rows.txt (the decode table test
! checks each assembled code against its row). Registers: Rm = r3, Rn = r9 (r9 in one-register
! forms); 4-bit displacements 5 (scaled by the size), 8-bit immediates and displacements 90, branch
! displacements -3 (8 bit) and -291 (12 bit). PC-relative operands name the target as . + offset,
! so their offsets depend on the instruction's address (see the notes).
        stc     sr,r9
        mov.b   r3,@(r0,r9)
        mov.w   r3,@(r0,r9)
        mov.l   r3,@(r0,r9)
        mul.l   r3,r9
        clrt
        nop
        sts     mach,r9
        mov.b   @(r0,r3),r9
        mov.w   @(r0,r3),r9
        mov.l   @(r0,r3),r9
        mac.l   @r3+,@r9+
        stc     gbr,r9
        sett
        div0u
        sts     macl,r9
        stc     vbr,r9
        clrmac
        movt    r9
        sts     pr,r9
        mov.l   r3,@(20,r9)
        mov.b   r3,@r9
        mov.w   r3,@r9
        mov.l   r3,@r9
        mov.b   r3,@-r9
        mov.w   r3,@-r9
        mov.l   r3,@-r9
        div0s   r3,r9
        tst     r3,r9
        and     r3,r9
        xor     r3,r9
        or      r3,r9
        cmp/str r3,r9
        xtrct   r3,r9
        mulu.w  r3,r9
        muls.w  r3,r9
        cmp/eq  r3,r9
        cmp/hs  r3,r9
        cmp/ge  r3,r9
        div1    r3,r9
        dmulu.l r3,r9
        cmp/hi  r3,r9
        cmp/gt  r3,r9
        sub     r3,r9
        subc    r3,r9
        subv    r3,r9
        add     r3,r9
        dmuls.l r3,r9
        addc    r3,r9
        addv    r3,r9
        shll    r9
        shlr    r9
        sts.l   mach,@-r9
        stc.l   sr,@-r9
        rotl    r9
        rotr    r9
        lds.l   @r9+,mach
        ldc.l   @r9+,sr
        shll2   r9
        shlr2   r9
        lds     r9,mach
        ldc     r9,sr
        mac.w   @r3+,@r9+
        dt      r9
        cmp/pz  r9
        sts.l   macl,@-r9
        stc.l   gbr,@-r9
        cmp/pl  r9
        lds.l   @r9+,macl
        ldc.l   @r9+,gbr
        shll8   r9
        shlr8   r9
        lds     r9,macl
        tas.b   @r9
        ldc     r9,gbr
        shal    r9
        shar    r9
        sts.l   pr,@-r9
        stc.l   vbr,@-r9
        rotcl   r9
        rotcr   r9
        lds.l   @r9+,pr
        ldc.l   @r9+,vbr
        shll16  r9
        shlr16  r9
        lds     r9,pr
        ldc     r9,vbr
        mov.l   @(20,r3),r9
        mov.b   @r3,r9
        mov.w   @r3,r9
        mov.l   @r3,r9
        mov     r3,r9
        mov.b   @r3+,r9
        mov.w   @r3+,r9
        mov.l   @r3+,r9
        not     r3,r9
        swap.b  r3,r9
        swap.w  r3,r9
        negc    r3,r9
        neg     r3,r9
        extu.b  r3,r9
        extu.w  r3,r9
        exts.b  r3,r9
        exts.w  r3,r9
        add     #90,r9
        mov.b   r0,@(5,r9)
        mov.w   r0,@(10,r9)
        mov.b   @(5,r3),r0
        mov.w   @(10,r3),r0
        cmp/eq  #90,r0
        mov.w   @(184,pc),r9            ! . + 4 + 90 * 2
        mov.b   r0,@(90,gbr)
        mov.w   r0,@(180,gbr)
        mov.l   r0,@(360,gbr)
        mov.b   @(90,gbr),r0
        mov.w   @(180,gbr),r0
        mov.l   @(360,gbr),r0
        mova    @(362,pc),r0            ! at 0xEA: ((. + 4) & ~3) + 90 * 4 = . + 362
        tst     #90,r0
        and     #90,r0
        xor     #90,r0
        or      #90,r0
        tst.b   #90,@(r0,gbr)
        and.b   #90,@(r0,gbr)
        xor.b   #90,@(r0,gbr)
        or.b    #90,@(r0,gbr)
        mov.l   @(364,pc),r9            ! at 0xFC: ((. + 4) & ~3) + 90 * 4 = . + 364
        mov     #90,r9
        bt      .+4-6
        bf      .+4-6
        bt/s    .+4-6
        bf/s    .+4-6
        bra     .+4-582
        bsr     .+4-582
        braf    r9
        bsrf    r9
        jmp     @r9
        jsr     @r9
        rts
        rte
        trapa   #90
        sleep

/* One contiguous image from CB_BASE: code, constants and data in source order. */
SECTIONS
{
  . = CB_BASE;
  .image : { *(.text*) *(.rodata*) *(.data*) *(.bss*) }
  /DISCARD/ : { *(*) }
}

/* The board as the demo program sees it: addresses and access helpers. */
#ifndef DEMO_HW_H
#define DEMO_HW_H

typedef unsigned char u8;
typedef unsigned short u16;
typedef unsigned long u32;
typedef signed char s8;
typedef short s16;
typedef long s32;

#define PALETTE_RAM 0x090000UL   /* 2048 entries of 4 bytes, colour in the odd bytes */
#define LAYER0_CODES 0x100000UL  /* 64 x 32 code words */
#define LAYER1_CODES 0x101000UL
#define ATTRIBUTE_OFFSET 0x2000UL /* attribute words follow the code words */
#define CHARACTER_RAM 0x120000UL /* tiles of 32 bytes, sprite patterns of 64 */
#define SPRITE_RAM 0x180000UL    /* 256 entries of 16 bytes */
#define SCROLL_RAM 0x190000UL    /* scroll registers, odd bytes */
#define SOUND_PORT 0x0C0001UL
#define SWITCH_PORT 0x0C2001UL
#define PLAYER_PORT 0x0C2003UL

#define IO8(address) (*(volatile u8 *)(address))
#define IO16(address) (*(volatile u16 *)(address))

/* Cell code-word bits. */
#define CELL_VFLIP 0x0800
#define CELL_PRIORITY 0x4000
/* Cell attribute bits. */
#define CELL_HFLIP 0x80

/* Sprite size codes. */
#define SIZE_32X32 0x00
#define SIZE_16X32 0x08
#define SIZE_32X16 0x10
#define SIZE_64X64 0x18
#define SIZE_8X8 0x20
#define SIZE_8X16 0x30
#define SIZE_16X16 0x38

#define ZOOM_NORMAL 0x80

/* Player port bits. */
#define PAD_LEFT 0x01
#define PAD_RIGHT 0x02
#define PAD_UP 0x04
#define PAD_DOWN 0x08
#define PAD_FIRE 0x10
#define PAD_BUTTON2 0x20

/* Switch port bits: 1-3 are held keys, 4-7 latches (key 2 shares bit 4). */
#define SWITCH_KEY3 0x04
#define SWITCH_KEY1 0x08
#define SWITCH_KEY2_4 0x10
#define SWITCH_5 0x20
#define SWITCH_6 0x40
#define SWITCH_7 0x80

/* Sound command bytes the demo sends. */
#define SOUND_START 0x40
#define SOUND_SHOT 0x01
#define SOUND_SPREAD 0x02
#define SOUND_HIT 0x03
#define SOUND_SWITCH 0x10 /* plus the switch bit number */

/* A 15-bit board colour from 5-bit red, green, blue. */
#define RGB(r, g, b) ((u16)((r) | ((g) << 5) | ((b) << 10)))

#endif

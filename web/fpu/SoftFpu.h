// The web build's floating-point control. WebAssembly always rounds to nearest and never
// traps, so the game's mode is kept here, in a register laid out as the x86 one (rounding
// control in bits 13-14, the invalid-operation mask in bit 7, its sticky flag in bit 0), and
// applied by the operations that tools/web/TowardZero.mjs puts in place of the plain ones in
// the game's and the library's code after the link.
#pragma once

#ifdef __cplusplus
#include <cstdint>
extern "C" {
#else
#include <stdint.h>
#endif

enum {
    KELDO_FPU_INVALID_FLAG = 0x0001,
    KELDO_FPU_INVALID_MASK = 0x0080,
    KELDO_FPU_ROUNDING = 0x6000,
    KELDO_FPU_TOWARD_ZERO = 0x6000,
    KELDO_FPU_DEFAULT = 0x1F80,  // to nearest, every exception masked
};

unsigned keldo_fpu_getcsr(void);
void keldo_fpu_setcsr(unsigned csr);

// What an unmasked invalid operation calls, with the address of the operation's call: the
// program's own (the game's fault trap). A direct call, not a pointer, so that the link's
// stack unwinding for the browser's turn does not take every operation for a way to it. When
// it returns, the operation gives its NaN.
void keldo_fpu_trap(uintptr_t address);

// The operations, each in the register's mode. The comparisons are the ordinary (signalling)
// kind: a NaN is an invalid operation.
double keldo_fpu_add(double a, double b);
double keldo_fpu_sub(double a, double b);
double keldo_fpu_mul(double a, double b);
double keldo_fpu_div(double a, double b);
double keldo_fpu_sqrt(double a);
// The 64-bit integers come as the bits of a double: an i64 in an export's signature would be cut
// into halves by the link, for JavaScript's sake, and the function itself inlined into that.
double keldo_fpu_from_i64(double bits);
double keldo_fpu_from_u64(double bits);
float keldo_fpu_to_f32(double a);
float keldo_fpu_addf(float a, float b);
float keldo_fpu_subf(float a, float b);
float keldo_fpu_mulf(float a, float b);
float keldo_fpu_divf(float a, float b);
float keldo_fpu_sqrtf(float a);
float keldo_fpu_f32_from_i32(int32_t a);
float keldo_fpu_f32_from_u32(uint32_t a);
float keldo_fpu_f32_from_i64(double bits);
float keldo_fpu_f32_from_u64(double bits);
int keldo_fpu_lt(double a, double b);
int keldo_fpu_le(double a, double b);
int keldo_fpu_gt(double a, double b);
int keldo_fpu_ge(double a, double b);
int keldo_fpu_ltf(float a, float b);
int keldo_fpu_lef(float a, float b);
int keldo_fpu_gtf(float a, float b);
int keldo_fpu_gef(float a, float b);

#ifdef __cplusplus
}
#endif

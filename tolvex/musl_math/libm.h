/* The few definitions that these files take from the rest of their library, for building them
 * into ours: the same code on every platform, so that sin, cos, atan2, hypot and pow give the
 * same bits everywhere. Every name is given a prefix, to stay clear of the system's own maths. */
#ifndef _LIBM_H
#define _LIBM_H

#include <float.h>
#include <math.h>
#include <stdint.h>

#define sin tolvex_sin
#define cos tolvex_cos
#define atan tolvex_atan
#define atan2 tolvex_atan2
#define hypot tolvex_hypot
#define pow tolvex_pow
#define __sin tolvex_ksin
#define __cos tolvex_kcos
#define __rem_pio2 tolvex_rem_pio2
#define __rem_pio2_large tolvex_rem_pio2_large
#define __math_xflow tolvex_math_xflow
#define __math_uflow tolvex_math_uflow
#define __math_oflow tolvex_math_oflow
#define __math_divzero tolvex_math_divzero
#define __math_invalid tolvex_math_invalid
#define __exp_data tolvex_exp_data
#define __pow_log_data tolvex_pow_log_data

#if defined(_WIN32)
#define hidden
#else
#define hidden __attribute__((__visibility__("hidden")))
#endif

/* Support non-nearest rounding mode.  */
#define WANT_ROUNDING 1
#define WANT_SNAN 0
#define issignaling_inline(x) 0
#define TOINT_INTRINSICS 0

#define predict_true(x) __builtin_expect(!!(x), 1)
#define predict_false(x) __builtin_expect(x, 0)

static inline double eval_as_double(double x)
{
	double y = x;
	return y;
}

static inline float fp_barrierf(float x)
{
	volatile float y = x;
	return y;
}

static inline double fp_barrier(double x)
{
	volatile double y = x;
	return y;
}

static inline void fp_force_evalf(float x)
{
	volatile float y;
	y = x;
}

static inline void fp_force_eval(double x)
{
	volatile double y;
	y = x;
}

#define FORCE_EVAL(x) do {                        \
	if (sizeof(x) == sizeof(float)) {         \
		fp_force_evalf(x);                \
	} else {                                  \
		fp_force_eval(x);                 \
	}                                         \
} while(0)

#define asuint(f) ((union{float _f; uint32_t _i;}){f})._i
#define asfloat(i) ((union{uint32_t _i; float _f;}){i})._f
#define asuint64(f) ((union{double _f; uint64_t _i;}){f})._i
#define asdouble(i) ((union{uint64_t _i; double _f;}){i})._f

#define EXTRACT_WORDS(hi,lo,d)                    \
do {                                              \
  uint64_t __u = asuint64(d);                     \
  (hi) = __u >> 32;                               \
  (lo) = (uint32_t)__u;                           \
} while (0)

#define GET_HIGH_WORD(hi,d)                       \
do {                                              \
  (hi) = asuint64(d) >> 32;                       \
} while (0)

#define GET_LOW_WORD(lo,d)                        \
do {                                              \
  (lo) = (uint32_t)asuint64(d);                   \
} while (0)

#define INSERT_WORDS(d,hi,lo)                     \
do {                                              \
  (d) = asdouble(((uint64_t)(hi)<<32) | (uint32_t)(lo)); \
} while (0)

#define SET_HIGH_WORD(d,hi)                       \
  INSERT_WORDS(d, hi, (uint32_t)asuint64(d))

#define SET_LOW_WORD(d,lo)                        \
  INSERT_WORDS(d, asuint64(d)>>32, lo)

double sin(double);
double cos(double);
double atan(double);
double atan2(double, double);
double hypot(double, double);
double pow(double, double);

hidden int    __rem_pio2_large(double*,double*,int,int,int);
hidden int    __rem_pio2(double,double*);
hidden double __sin(double,double,int);
hidden double __cos(double,double);

hidden double __math_xflow(uint32_t, double);
hidden double __math_uflow(uint32_t);
hidden double __math_oflow(uint32_t);
hidden double __math_divzero(uint32_t);
hidden double __math_invalid(double);

#endif

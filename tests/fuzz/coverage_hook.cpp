// In the fuzzing build every edge of the program calls __sanitizer_cov_trace_pc; the
// fuzzing driver counts them. Every other program of that build gets this one, which
// does nothing (the driver's own definition takes its place).
extern "C" __attribute__((weak, no_sanitize_coverage)) void __sanitizer_cov_trace_pc() {}

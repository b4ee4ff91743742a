// ENGINE_ASSERT: a check of what only a programming error can break, such as the links engine objects
// keep to each other. Bad data never reaches one: it keeps its tested fallback. The checks are active
// where ENGINE_ASSERTS is defined (the sanitizer build) and compiled out elsewhere, where the condition
// is not even evaluated.
#pragma once

#ifdef ENGINE_ASSERTS
inline constexpr bool kEngineAssertsActive = true;
// Prints "ENGINE_ASSERT failed: <condition> at <file>:<line>" on standard error and aborts.
[[noreturn]] void EngineAssertFailed(const char* condition, const char* file, int line);
#define ENGINE_ASSERT(condition) \
    ((condition) ? static_cast<void>(0) : EngineAssertFailed(#condition, __FILE__, __LINE__))
#else
inline constexpr bool kEngineAssertsActive = false;
// The condition stays an unevaluated operand, so that what it names still counts as used.
#define ENGINE_ASSERT(condition) static_cast<void>(sizeof(!(condition)))
#endif

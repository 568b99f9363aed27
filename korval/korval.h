/*
 * korval - the label printer's command library.
 *
 * Every call becomes one command of the printer's text language; the commands collect in
 * a spool file and printing sends that file to the printer as one raw job.
 *
 * Sign rule for every export: 0 is success; negative codes are errors, and each one is
 * also kept as the last error (OBX_GetErrState).
 */
#ifndef KORVAL_H
#define KORVAL_H

#if defined(_WIN32)
#define KORVAL_API __declspec(dllexport)
#else
#define KORVAL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Returns the last error code stored by any export (0 when none failed yet). */
KORVAL_API int OBX_GetErrState(void);

#ifdef __cplusplus
}
#endif

#endif /* KORVAL_H */

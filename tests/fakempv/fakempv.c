/* A stand-in engine library that exports only some entry points, so that the
   binding's handling of missing symbols can be checked. */
#include <stddef.h>

void *mpv_create(void) { return NULL; }
int mpv_initialize(void *ctx) { (void)ctx; return -1; }
void mpv_terminate_destroy(void *ctx) { (void)ctx; }
unsigned long mpv_client_api_version(void) { return 0x20000; }
/* mpv_set_option_string and mpv_render_context_free are deliberately absent;
   so is every entry point between them. */

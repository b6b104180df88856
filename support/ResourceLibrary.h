#ifndef ZPH_SUPPORT_RESOURCE_LIBRARY_H
#define ZPH_SUPPORT_RESOURCE_LIBRARY_H
/* The interface of a localised resource library: a shared object named "ViewerRc.so"
 * in a language folder ("Resources/fr-FR/ViewerRc.so") that holds the dialogs, menus
 * and strings of one language. Plain C, so that any toolchain can build one.
 *
 * The library exports one function under the name ZPH_FIND_RESOURCE_SYMBOL. Given a
 * resource type and id it points *data at the resource's bytes and sets *size, and
 * returns 1; it returns 0, leaving both untouched, when it has no such resource. The
 * bytes stay valid and unchanged while the library is loaded. The program's own
 * compiled-in resources are offered through a function of the same form.
 *
 * Types keep the numbers of their Windows counterparts (menu 4, dialog 5, string 6). A
 * string resource holds UTF-8 text without a terminating null. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { ZPH_RESOURCE_STRING = 6 };

#define ZPH_FIND_RESOURCE_SYMBOL "ZphFindResource"

typedef int (*ZphFindResourceProc)(uint32_t type, uint32_t id, const void** data, size_t* size);

#ifdef __cplusplus
}
#endif

#endif

/* Shared by the C caller and the C++ check of the header slot test: what the
 * C side passes through each slot and what it got back. */
#ifndef ZV_HEADER_SLOTS_H
#define ZV_HEADER_SLOTS_H

#include "UpdateConfiguration2.h"

#define SLOT_COUNT 33
#define SLOT_COUNT_ARG 0x0123456789ABCDEFLL
#define SLOT_INT_ARG 0x5A5A
#define SLOT_BOOL_ARG 1

#ifdef __cplusplus
extern "C" {
#endif

/* The return value of every slot, widened; texts and the window as pointers. */
typedef struct SlotReturns {
    unsigned long long value[SLOT_COUNT];
} SlotReturns;

/* Calls each of the 33 slots of object's table once, in slot order, with
 * SLOT_* arguments and the text L"text" where a slot takes one. */
void CallEverySlot(void* object, SlotReturns* returns);
void CallEverySlotFastcall(void* object, SlotReturns* returns);

#ifdef __cplusplus
}
#endif

#endif

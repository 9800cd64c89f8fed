#include "platform/resources.h"

ResourceData findResource(int id) {
    for (const ResourceEntry* entry = resourceTable; entry->id != 0; ++entry) {
        if (entry->id == id) return ResourceData{entry->data, entry->size};
    }
    return ResourceData{};
}

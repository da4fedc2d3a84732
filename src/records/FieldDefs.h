#pragma once
// Compact declarations of record-set fields, as the modules list them.

#include <string>

#include "records/VirtualRecordSet.h"

namespace corvane::records {

enum FieldFlags : unsigned { kNone = 0, kHidden = 1, kRequired = 2, kReadOnly = 4 };

inline FieldDef MakeField(std::string name, FieldType type, int size, std::string label, int width,
                          unsigned flags = kNone) {
  FieldDef f;
  f.name = std::move(name);
  f.type = type;
  f.size = size;
  f.displayLabel = std::move(label);
  f.displayWidth = width;
  f.visible = !(flags & kHidden);
  f.required = flags & kRequired;
  f.readOnly = flags & kReadOnly;
  return f;
}

}  // namespace corvane::records

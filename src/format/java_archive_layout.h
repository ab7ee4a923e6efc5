// How the builder lays a Java archive out so that every JVM loads it as the
// class it begins with: the sections, the OffsetTable and the table's offset
// form the body of one class attribute of this name, the class's last. JVMs
// skip attributes they do not know; the launcher finds the table from the
// file's end and never looks at the class.
#pragma once

namespace carafe::format {

constexpr const char kArchiveAttributeName[] = "CarafeArchive";

}  // namespace carafe::format

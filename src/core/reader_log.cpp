#include "core/reader_log.h"

#include "string_ids.h"
#include "support/log_writer.h"

namespace carafe {

namespace {

// Offsets and sizes are printed as wsprintfA's %d would: low 32 bits, signed.
int Low32(std::uint64_t value) { return static_cast<int>(static_cast<std::uint32_t>(value)); }

std::string ContainerEntryLine(const ContainerReport::Entry& entry) {
  return FormatEntry("\t%s: %s(%s), %s(%d), %s(%d)\r\n", LoadLabel(IDS_SECTION_INFO).c_str(),
                     LoadLabel(IDS_NAME).c_str(), entry.name.c_str(), LoadLabel(IDS_SIZE).c_str(),
                     static_cast<int>(entry.dataSize), LoadLabel(IDS_FILE_OFFSET).c_str(),
                     Low32(entry.dataOffset));
}

std::string ArchiveSectionLine(int index, const ArchiveReport::Section& section) {
  return FormatEntry(
      "\t%s:(%d) %s(%s), %s(%d), %s(%d), %s(%s), %s(%d)\r\n", LoadLabel(IDS_SECTION_INFO).c_str(),
      index, LoadLabel(IDS_NAME).c_str(), section.name.c_str(), LoadLabel(IDS_SIZE).c_str(),
      Low32(section.fields.payloadSize), LoadLabel(IDS_RESOURCE_COUNT).c_str(),
      Low32(section.fields.resourceCount), LoadLabel(IDS_COMPRESSED).c_str(),
      LoadLabel(section.fields.compressed != 0 ? IDS_YES : IDS_NO).c_str(),
      LoadLabel(IDS_RESOURCE_FILE_OFFSET).c_str(), Low32(section.resourceFileOffset));
}

}  // namespace

void LogContainerRead(const File* log, bool logAll, const ContainerReport& report) {
  using Fault = ContainerOpenFault;
  if (report.fault == Fault::NoPath) {
    WriteLog(log, FormatEntry("\r\n%s \r\n", LoadLabel(IDS_NEED_SETUP_PATH).c_str()));
    return;
  }
  if (logAll) {
    WriteLog(log, FormatEntry("\r\n%s %s \r\n", LoadLabel(IDS_READING_EXECUTABLE).c_str(),
                              report.path.c_str()));
  }
  if (report.fault == Fault::CannotOpen) {
    WriteLog(log, FormatEntry("\r\n%s %s \r\n", LoadLabel(IDS_COULD_NOT_OPEN_FILE).c_str(),
                              report.path.c_str()));
    return;
  }
  if (logAll) {
    WriteLog(log,
             FormatEntry("\t%s (%d), %s (%d) ..\r\n", LoadLabel(IDS_EXE_SIZE).c_str(),
                         static_cast<int>(report.imageEnd), LoadLabel(IDS_TOTAL_FILE_SIZE).c_str(),
                         static_cast<int>(report.fileSize)));
  }
  if (report.fault == Fault::NoContainer) {
    WriteLog(log, FormatEntry("%s %s %s", LoadLabel(IDS_INSTALLATION_EXECUTABLE).c_str(),
                              report.path.c_str(), LoadLabel(IDS_CORRUPTED_OR_INCOMPLETE).c_str()));
    return;
  }
  // An unreadable table has no entry of its own: a cut count ends the log
  // here, an unreadable entry after the entries read before it.
  if (report.fault == Fault::CountCutOff || !logAll) return;
  WriteLog(log,
           FormatEntry("\t%s %d %s...\r\n", LoadLabel(IDS_READING).c_str(),
                       static_cast<int>(report.sectionCount), LoadLabel(IDS_SECTION_INFO).c_str()));
  for (const ContainerReport::Entry& entry : report.entries)
    WriteLog(log, ContainerEntryLine(entry));
}

void LogArchiveRead(const File* log, bool logAll, const ArchiveReport& report) {
  using Fault = ArchiveOpenFault;
  if (report.fault == Fault::NoPath) {
    WriteLog(log, FormatEntry("\r\n%s \r\n", LoadLabel(IDS_NEED_ARCHIVE_PATH).c_str()));
    return;
  }
  // No line break: the section count completes the line.
  if (logAll) {
    WriteLog(log, FormatEntry("\r\n%s %s ", LoadLabel(IDS_READING_ARCHIVE).c_str(),
                              report.path.c_str()));
  }
  if (report.fault == Fault::CannotOpen) {
    WriteLog(log, FormatEntry("%s %s \r\n", LoadLabel(IDS_COULD_NOT_OPEN_FILE).c_str(),
                              report.path.c_str()));
    return;
  }
  if (report.fault == Fault::TableOutOfRange) {
    WriteLog(log, FormatEntry("%s %s %s\r\n", LoadLabel(IDS_OFFSET_TABLE_OFFSET_IN).c_str(),
                              report.path.c_str(), LoadLabel(IDS_OUT_OF_FILE_RANGE).c_str()));
    return;
  }
  // An unreadable table has no entry of its own: a cut table offset or count
  // ends the log here, an unreadable section after the sections read before it.
  if (report.fault == Fault::NoTableOffset || report.fault == Fault::CountCutOff || !logAll) {
    return;
  }
  WriteLog(log,
           FormatEntry("%s %d %s...\r\n", LoadLabel(IDS_WITH).c_str(),
                       static_cast<int>(report.sectionCount), LoadLabel(IDS_SECTIONS).c_str()));
  for (std::size_t i = 0; i < report.sections.size(); ++i) {
    WriteLog(log, ArchiveSectionLine(static_cast<int>(i), report.sections[i]));
  }
}

}  // namespace carafe

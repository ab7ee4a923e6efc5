/* String-table ids of the launcher. Shared by the resource scripts (windres
   runs them through the C preprocessor) and the C++ code, so plain #defines.
   Ids 8 to 73; the reader and extraction labels sit in the free slots 33-57. */
#ifndef CARAFE_STRING_IDS_H
#define CARAFE_STRING_IDS_H

#define IDS_MESSAGE_TITLE 8
#define IDS_INVALID_EXECUTABLE 9
#define IDS_INSUFFICIENT_DISK_SPACE 11
#define IDS_DELETING_FILE 14
#define IDS_FOUND_JVM_AT 15
#define IDS_SEARCH_FAILED 16
#define IDS_VALIDATION_OF 17
#define IDS_FAILED 18
#define IDS_LAUNCHING 19
#define IDS_USING_JVM 20
#define IDS_NOT_ENOUGH_SPACE 21
#define IDS_OF_SIZE 22
#define IDS_EXTRACTING_FILE 23
#define IDS_DATE 24
#define IDS_TIME 25
#define IDS_BROWSE_CANCELLED 27
#define IDS_BROWSE_EMPTY 28
#define IDS_USER_CHOSE 29
#define IDS_JVM_INSTALLER 30
#define IDS_EXTRACTING_ARCHIVE 31
#define IDS_CORRUPTED 32

/* Setup container reader. */
#define IDS_NEED_SETUP_PATH 33
#define IDS_READING_EXECUTABLE 34
#define IDS_COULD_NOT_OPEN_FILE 35
#define IDS_EXE_SIZE 36
#define IDS_TOTAL_FILE_SIZE 37
#define IDS_INSTALLATION_EXECUTABLE 38
#define IDS_CORRUPTED_OR_INCOMPLETE 39
#define IDS_READING 40
#define IDS_SECTION_INFO 41
#define IDS_NAME 42
#define IDS_SIZE 43
#define IDS_FILE_OFFSET 44
#define IDS_READ_FAILED 45

/* Java archive reader. */
#define IDS_NEED_ARCHIVE_PATH 46
#define IDS_READING_ARCHIVE 47
#define IDS_OFFSET_TABLE_OFFSET_IN 48
#define IDS_OUT_OF_FILE_RANGE 49
#define IDS_WITH 50
#define IDS_SECTIONS 51
#define IDS_RESOURCE_COUNT 52
#define IDS_COMPRESSED 53
#define IDS_YES 54
#define IDS_NO 55
#define IDS_RESOURCE_FILE_OFFSET 56

/* Extraction. */
#define IDS_EXTRACTING_CRITERIA 57

#define IDS_ERROR_OCCURED_WHILE 58
#define IDS_SEARCH_SUMMARY 59
#define IDS_SEARCH_AFTER_INSTALL 60
#define IDS_APPLICATION_ABORTED 61
#define IDS_SEARCHING_MATCHING 62
#define IDS_VENDOR 63
#define IDS_VERSION 64
#define IDS_TYPE 65
#define IDS_VERIFYING_JVM 66
#define IDS_PASSED 67
#define IDS_NOT_FOUND 68
#define IDS_EXTRACTING_VERIFY 69
#define IDS_VALIDATING_ARCHIVE 70
#define IDS_SEARCHING_FOR_JVM 71
#define IDS_PREPARING_WIZARD 72
#define IDS_INSTALLING_JVM 73

/* Resources other than strings. */
#define IDD_BROWSE 101
#define IDD_PROGRESS 103
#define IDD_BUNDLED_PROMPT 105
#define IDD_ABORT_PROMPT 106
#define IDR_ANIMATION 109
#define IDI_LAUNCHER 128

#define IDC_BROWSE_PATH 1000
#define IDC_BROWSE_BUTTON 1001
#define IDC_NOTE 1002
#define IDC_PROGRESS_BAR 1003
#define IDC_STATUS_LINE 1004
/* The progress dialog's text shares its id with the browse dialog's note. */
#define IDC_PREPARING_TEXT 1002

#endif

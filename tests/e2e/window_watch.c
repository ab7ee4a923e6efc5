/* The end-to-end tests' eyes and hands inside a Wine prefix.
 *
 * Runs in the same prefix (and so on the same desktop) as the program under
 * test and reports, on standard output, one line per visible top-level
 * window that appears after it started:
 *
 *   WINDOW <hwnd> <pid> <owner> <class>\t<caption>
 *   BOX <hwnd> <pid> <owner>\t<caption>\t<text>
 *   EXIT <pid> <exit code>
 *
 * EXIT comes once for each process that owned a reported window, when it
 * has ended: its Windows exit code, which Wine's own process exit status
 * does not always carry (Wine kills a process whose Unix side takes more
 * than a second to go after its last thread ended, and its Linux parent
 * then sees SIGKILL).
 * BOX is a message box (Wine's message box dialog: it carries the property
 * "WINE_MSGBOX_HELPCALLBACK", or the static controls 0xFFFF for the text
 * and stc1 for the icon); its text is read from the text control. Handles
 * are hexadecimal, the owner is 0 for none; tab, CR, LF and backslash in
 * texts are escaped as \t, \r, \n and \\.
 *
 * Commands, one per line on standard input:
 *   press <hwnd>         pushes the dialog's default button (else IDOK)
 *   click <hwnd> <id>    sends WM_COMMAND for control id (BN_CLICKED)
 *   text <hwnd> <id>     answers TEXT <hwnd> <id>\t<the control's text in
 *                        UTF-8, as hexadecimal digits>, whatever the ANSI
 *                        code page of the prefix
 *   quit
 * Each command is answered by a line starting with DONE or with TEXT.
 */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#define MAX_SEEN 4096
#define POLL_MS 50
#define MSGBOX_TEXT_ID 0xFFFF
#define MSGBOX_ICON_ID 0x0440 /* stc1 */

static HWND seen[MAX_SEEN];
static int seenCount;
#define MAX_PROCESSES 256
static DWORD processIds[MAX_PROCESSES];
static HANDLE processes[MAX_PROCESSES];
static int processCount;
static CRITICAL_SECTION outputLock;

static int Seen(HWND window) {
  for (int i = 0; i < seenCount; ++i)
    if (seen[i] == window) return 1;
  return 0;
}

static void Remember(HWND window) {
  if (seenCount < MAX_SEEN) seen[seenCount++] = window;
}

/* Keeps a handle to the process of a reported window, so that its exit code
 * can be read once it ends. */
static void FollowProcess(DWORD pid) {
  if (pid == GetCurrentProcessId()) return;
  for (int i = 0; i < processCount; ++i)
    if (processIds[i] == pid) return;
  if (processCount == MAX_PROCESSES) return;
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == NULL) return;
  processIds[processCount] = pid;
  processes[processCount++] = process;
}

/* Writes text with tabs, line ends and backslashes escaped. */
static void PutEscaped(const char* text) {
  for (; *text; ++text) {
    switch (*text) {
      case '\t':
        fputs("\\t", stdout);
        break;
      case '\r':
        fputs("\\r", stdout);
        break;
      case '\n':
        fputs("\\n", stdout);
        break;
      case '\\':
        fputs("\\\\", stdout);
        break;
      default:
        fputc(*text, stdout);
    }
  }
}

static BOOL CALLBACK FindMessageBoxProperty(HWND window, LPSTR name, HANDLE data, ULONG_PTR found) {
  (void)window;
  (void)data;
  if (!IS_INTRESOURCE(name) && strcmp(name, "WINE_MSGBOX_HELPCALLBACK") == 0) {
    *(int*)found = 1;
    return FALSE;
  }
  return TRUE;
}

static int IsMessageBox(HWND window) {
  char className[64] = "";
  GetClassNameA(window, className, sizeof(className));
  if (strcmp(className, "#32770") != 0) return 0;
  int found = 0;
  EnumPropsExA(window, FindMessageBoxProperty, (LPARAM)&found);
  if (found) return 1;
  return GetDlgItem(window, MSGBOX_TEXT_ID) != NULL && GetDlgItem(window, MSGBOX_ICON_ID) != NULL;
}

static void Report(HWND window) {
  char caption[1024] = "";
  char className[256] = "";
  DWORD pid = 0;
  GetWindowTextA(window, caption, sizeof(caption));
  GetClassNameA(window, className, sizeof(className));
  GetWindowThreadProcessId(window, &pid);
  HWND owner = GetWindow(window, GW_OWNER);
  FollowProcess(pid);
  EnterCriticalSection(&outputLock);
  if (IsMessageBox(window)) {
    char text[4096] = "";
    GetDlgItemTextA(window, MSGBOX_TEXT_ID, text, sizeof(text));
    printf("BOX %p %lu %p\t", (void*)window, (unsigned long)pid, (void*)owner);
    PutEscaped(caption);
    fputc('\t', stdout);
    PutEscaped(text);
  } else {
    printf("WINDOW %p %lu %p ", (void*)window, (unsigned long)pid, (void*)owner);
    PutEscaped(className);
    fputc('\t', stdout);
    PutEscaped(caption);
  }
  fputc('\n', stdout);
  fflush(stdout);
  LeaveCriticalSection(&outputLock);
}

static BOOL CALLBACK Snapshot(HWND window, LPARAM report) {
  if (!IsWindowVisible(window) || Seen(window)) return TRUE;
  Remember(window);
  if (report) Report(window);
  return TRUE;
}

static void ReportEndedProcesses(void) {
  for (int i = 0; i < processCount;) {
    DWORD code = 0;
    if (WaitForSingleObject(processes[i], 0) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(processes[i], &code)) {
      EnterCriticalSection(&outputLock);
      printf("EXIT %lu %lu\n", (unsigned long)processIds[i], (unsigned long)code);
      fflush(stdout);
      LeaveCriticalSection(&outputLock);
      CloseHandle(processes[i]);
      processIds[i] = processIds[--processCount];
      processes[i] = processes[processCount];
    } else {
      ++i;
    }
  }
}

static void Answer(const char* line) {
  EnterCriticalSection(&outputLock);
  fputs(line, stdout);
  fflush(stdout);
  LeaveCriticalSection(&outputLock);
}

static void Click(HWND window, int id) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(window, id));
}

/* Commands arrive on a thread of their own so that the polling never waits
 * for input. */
static DWORD WINAPI ReadCommands(LPVOID unused) {
  (void)unused;
  char line[512];
  while (fgets(line, sizeof(line), stdin)) {
    void* window = NULL;
    int id = 0;
    if (sscanf(line, "press %p", &window) == 1) {
      LRESULT def = SendMessageA((HWND)window, DM_GETDEFID, 0, 0);
      Click((HWND)window, HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK);
      Answer("DONE\n");
    } else if (sscanf(line, "click %p %d", &window, &id) == 2) {
      Click((HWND)window, id);
      Answer("DONE\n");
    } else if (sscanf(line, "text %p %d", &window, &id) == 2) {
      WCHAR wide[4096] = L"";
      char utf8[4 * 4096] = "";
      GetDlgItemTextW((HWND)window, id, wide, 4096);
      int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof(utf8), NULL, NULL);
      EnterCriticalSection(&outputLock);
      printf("TEXT %p %d\t", window, id);
      for (int i = 0; i + 1 < length; ++i) printf("%02x", (unsigned char)utf8[i]);
      fputc('\n', stdout);
      fflush(stdout);
      LeaveCriticalSection(&outputLock);
    } else if (strncmp(line, "quit", 4) == 0) {
      break;
    } else {
      Answer("DONE unknown command\n");
    }
  }
  ExitProcess(0);
  return 0;
}

int main(void) {
  InitializeCriticalSection(&outputLock);
  EnumWindows(Snapshot, 0);
  Answer("READY\n");
  CreateThread(NULL, 0, ReadCommands, NULL, 0, NULL);
  for (;;) {
    EnumWindows(Snapshot, 1);
    ReportEndedProcesses();
    Sleep(POLL_MS);
  }
}

/* The end-to-end tests' eyes and hands inside a Wine prefix: it runs on the
 * same desktop as the program under test and writes one line per event:
 *
 *   WINDOW <hwnd> <pid> <owner> <class>\t<caption>   a new visible top-level window
 *   BOX <hwnd> <pid> <owner> #32770\t<caption>\t<text>  a new message box
 *   EXIT <pid> <code>        a process that owned a reported window ended
 *
 * Wine's own exit status does not always carry the Windows exit code (it
 * kills a process whose Unix side lingers after its last thread). A message
 * box is Wine's dialog with the static text 0xFFFF and the icon stc1. Handles
 * are hexadecimal; tab, CR, LF and backslash in texts are escaped.
 *
 * Commands on standard input; only text and state answer, with one line:
 *   click <hwnd> <id>          WM_COMMAND BN_CLICKED for the control
 *   set <hwnd> <id> <text>     the control's text (ANSI)
 *   lbutton <hwnd> <id> <dy>   a left-button release on the dialog, dy pixels
 *                              below the control's centre
 *   text <hwnd> <id>           TEXT <the control's text, UTF-8 in hex digits>
 *   state <hwnd>               STATE <visible> <left> <top> <right> <bottom>
 *                              <GetWindowRgn's answer: 0 none, 1 empty, ...>
 */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#define MAX_SEEN 4096
#define MAX_PROCESSES 256

static HWND seen[MAX_SEEN];
static int seenCount, processCount;
static DWORD processIds[MAX_PROCESSES];
static HANDLE processes[MAX_PROCESSES];
static CRITICAL_SECTION outputLock;

static void PutLine(const char* line) {
  EnterCriticalSection(&outputLock);
  printf("%s\n", line);
  fflush(stdout);
  LeaveCriticalSection(&outputLock);
}

static char* AppendEscaped(char* out, const char* text) {
  for (; *text; ++text) {
    const char* special = strchr("\t\r\n\\", *text);
    if (special) *out++ = '\\';
    *out++ = special ? "trn\\"[special - "\t\r\n\\"] : *text;
  }
  return out;
}

static void FollowProcess(DWORD pid) {
  for (int i = 0; i < processCount; ++i)
    if (processIds[i] == pid) return;
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == NULL || processCount == MAX_PROCESSES) return;
  processIds[processCount] = pid;
  processes[processCount++] = process;
}

static BOOL CALLBACK Snapshot(HWND window, LPARAM report) {
  if (!IsWindowVisible(window)) return TRUE;
  for (int i = 0; i < seenCount; ++i)
    if (seen[i] == window) return TRUE;
  if (seenCount < MAX_SEEN) seen[seenCount++] = window;
  if (!report) return TRUE;
  char caption[1024] = "", className[256] = "", text[4096] = "", line[2 * 6000];
  DWORD pid = 0;
  GetWindowTextA(window, caption, sizeof caption);
  GetClassNameA(window, className, sizeof className);
  GetWindowThreadProcessId(window, &pid);
  if (pid != GetCurrentProcessId()) FollowProcess(pid);
  int box =
      strcmp(className, "#32770") == 0 && GetDlgItem(window, 0xFFFF) && GetDlgItem(window, 0x440);
  if (box) GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
  char* end = line + sprintf(line, "%s %p %lu %p ", box ? "BOX" : "WINDOW", (void*)window,
                             (unsigned long)pid, (void*)GetWindow(window, GW_OWNER));
  end = AppendEscaped(end, className);
  *end++ = '\t';
  end = AppendEscaped(end, caption);
  *end++ = '\t';
  *AppendEscaped(end, text) = '\0';
  PutLine(line);
  return TRUE;
}

static void ReportEndedProcesses(void) {
  for (int i = 0; i < processCount;) {
    DWORD code = 0;
    char line[64];
    if (WaitForSingleObject(processes[i], 0) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(processes[i], &code)) {
      ++i;
      continue;
    }
    sprintf(line, "EXIT %lu %lu", (unsigned long)processIds[i], (unsigned long)code);
    PutLine(line);
    CloseHandle(processes[i]);
    processIds[i] = processIds[--processCount];
    processes[i] = processes[processCount];
  }
}

static DWORD WINAPI ReadCommands(LPVOID unused) {
  char line[1024], answer[4 * 4096 * 2 + 64];
  while (fgets(line, sizeof line, stdin) && strncmp(line, "quit", 4) != 0) {
    line[strcspn(line, "\r\n")] = '\0';
    HWND window = NULL;
    int id = 0, dy = 0, at = 0;
    answer[0] = '\0';
    if (sscanf(line, "click %p %d", (void**)&window, &id) == 2) {
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(window, id));
    } else if (sscanf(line, "set %p %d %n", (void**)&window, &id, &at) == 2 && at > 0) {
      SetDlgItemTextA(window, id, line + at);
    } else if (sscanf(line, "text %p %d", (void**)&window, &id) == 2) {
      WCHAR wide[4096] = L"";
      char utf8[4 * 4096] = "";
      GetDlgItemTextW(window, id, wide, 4096);
      int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, NULL, NULL);
      strcpy(answer, "TEXT ");
      for (int i = 0; i + 1 < length; ++i)
        sprintf(answer + 5 + 2 * i, "%02x", (unsigned char)utf8[i]);
    } else if (sscanf(line, "lbutton %p %d %d", (void**)&window, &id, &dy) == 3) {
      RECT control = {0};
      GetWindowRect(GetDlgItem(window, id), &control);
      POINT point = {(control.left + control.right) / 2, (control.top + control.bottom) / 2 + dy};
      ScreenToClient(window, &point);
      PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    } else if (sscanf(line, "state %p", (void**)&window) == 1) {
      RECT r = {0};
      HRGN region = CreateRectRgn(0, 0, 0, 0);
      GetWindowRect(window, &r);
      sprintf(answer, "STATE %d %ld %ld %ld %ld %d", IsWindowVisible(window) ? 1 : 0, r.left,
              r.top, r.right, r.bottom, GetWindowRgn(window, region));
      DeleteObject(region);
    }
    if (answer[0]) PutLine(answer);
  }
  ExitProcess(0);
  return unused != NULL;
}

int main(void) {
  InitializeCriticalSection(&outputLock);
  EnumWindows(Snapshot, 0);
  PutLine("READY");
  CreateThread(NULL, 0, ReadCommands, NULL, 0, NULL);
  for (;;) {
    EnumWindows(Snapshot, 1);
    ReportEndedProcesses();
    Sleep(50);
  }
}

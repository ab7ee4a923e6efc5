/* The end-to-end tests' eyes and hands inside a Wine prefix: it runs on the
 * same desktop as the program under test and writes one line per event,
 * texts as UTF-8 in hex digits (an empty text: an empty field):
 *
 *   WINDOW <hwnd> <owner> <class> <caption>   a new visible top-level window
 *   BOX <hwnd> <owner> <class> <caption> <text>   a new message box
 *
 * A message box is Wine's dialog with the static text 0xFFFF and the icon
 * stc1.
 *
 * Commands on standard input; text answers with one line:
 *   click <hwnd> <id>          WM_COMMAND BN_CLICKED for the control
 *   set <hwnd> <id> <text>     the control's text (ANSI)
 *   text <hwnd> <id>           ANSWER <the control's text>
 */
#include <stdio.h>
#include <string.h>
#include <windows.h>

static HWND seen[4096];
static int seenCount;
// Both threads write whole lines: the C runtime locks the stream for each call.
static void PutLine(const char* line) { printf("%s\n", line), fflush(stdout); }

static char* AppendHex(char* out, const WCHAR* text) {
  char utf8[4 * 1024];
  int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
  *out++ = ' ';
  for (int i = 0; i + 1 < length; ++i) out += sprintf(out, "%02x", (unsigned char)utf8[i]);
  return *out = '\0', out;
}

static BOOL CALLBACK Snapshot(HWND window, LPARAM report) {
  if (!IsWindowVisible(window)) return TRUE;
  for (int i = 0; i < seenCount; ++i)
    if (seen[i] == window) return TRUE;
  if (seenCount < 4096) seen[seenCount++] = window;
  if (!report) return TRUE;
  WCHAR caption[1024] = L"", className[256] = L"", text[1024] = L"";
  char line[8 * 2048 + 128];
  GetWindowTextW(window, caption, 1024);
  GetClassNameW(window, className, 256);
  int box =
      !wcscmp(className, L"#32770") && GetDlgItem(window, 0xFFFF) && GetDlgItem(window, 0x440);
  if (box) GetDlgItemTextW(window, 0xFFFF, text, 1024);
  char* end = line + sprintf(line, "%s %p %p", box ? "BOX" : "WINDOW", (void*)window,
                             (void*)GetWindow(window, GW_OWNER));
  AppendHex(AppendHex(AppendHex(end, className), caption), text);
  PutLine(line);
  return TRUE;
}

static DWORD WINAPI ReadCommands(LPVOID unused) {
  char line[1024], answer[8 * 1024 + 16];
  while (fgets(line, sizeof line, stdin)) {
    line[strcspn(line, "\r\n")] = '\0';
    HWND window = NULL;
    int id = 0, at = 0;
    if (sscanf(line, "click %p %d", (void**)&window, &id) == 2) {
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(window, id));
    } else if (sscanf(line, "set %p %d %n", (void**)&window, &id, &at) == 2 && at > 0) {
      SetDlgItemTextA(window, id, line + at);
    } else if (sscanf(line, "text %p %d", (void**)&window, &id) == 2) {
      WCHAR text[1024] = L"";
      GetDlgItemTextW(window, id, text, 1024);
      AppendHex(strcpy(answer, "ANSWER") + 6, text);
      PutLine(answer);
    }
  }
  ExitProcess(0);
  return unused != NULL;
}

int main(void) {
  EnumWindows(Snapshot, 0);
  PutLine("READY");
  CreateThread(NULL, 0, ReadCommands, NULL, 0, NULL);
  for (;; Sleep(50)) EnumWindows(Snapshot, 1);
}

/* Looks at the desktop from another Windows process, for the end-to-end
 * tests:
 *   probe globe     the globe window: rectangle, styles, owner, the
 *                   application window's visibility, work area and screen,
 *                   the window's DPI and the desktop's
 *   probe message   visible message boxes: title, text, the OK button
 *   probe monitors  each monitor's rectangle and work area, the primary
 *                   first
 *   probe readonly KEY | probe writable KEY
 *                   lets everyone only read, or do anything with, a key
 *                   under HKEY_CURRENT_USER
 *   probe cover X Y W H SECONDS [normal]
 *                   a plain window over that rectangle for a while,
 *                   topmost unless "normal"
 *   probe value KEY NAME
 *                   a value under HKEY_CURRENT_USER: its type and, for a
 *                   string, its text in UTF-8 (reg.exe prints "?" for
 *                   what its console code page lacks)
 *   probe session lock | probe session unlock
 *                   tells the globe the session was locked or unlocked,
 *                   as Windows does (Wine never does)
 *   probe front     asks the globe to come to the front as a second start
 *                   does, from a process with no window of its own (a
 *                   second start's windows may be gone by the time the
 *                   globe reads the request)
 * Output: one "key=value" per line, every place and size in device pixels
 * (the probe is per-monitor DPI aware, as the globe is: an unaware caller
 * would get them scaled to 96 DPI). */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int globe(void) {
  HWND g = FindWindowA("NivarraGlobe", NULL);
  HWND app = FindWindowA("NivarraApplication", NULL);
  RECT r, area;
  if (!g) {
    printf("globe=none\n");
    return 1;
  }
  GetWindowRect(g, &r);
  printf("globe=found\n");
  printf("rect=%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  printf("visible=%d\n", IsWindowVisible(g) ? 1 : 0);
  printf("exstyle=%08lx\n", (unsigned long)GetWindowLongA(g, GWL_EXSTYLE));
  printf("style=%08lx\n", (unsigned long)GetWindowLongA(g, GWL_STYLE));
  printf("owner_is_desktop=%d\n", GetWindow(g, GW_OWNER) == GetDesktopWindow() ? 1 : 0);
  printf("owner_is_application=%d\n", app != NULL && GetWindow(g, GW_OWNER) == app ? 1 : 0);
  printf("application_visible=%d\n", app != NULL && IsWindowVisible(app) ? 1 : 0);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  printf("workarea=%ld %ld\n", area.right - area.left, area.bottom - area.top);
  printf("screen=%d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  printf("dpi=%u\n", GetDpiForWindow(g));
  printf("system_dpi=%u\n", GetDpiForSystem());
  return 0;
}

static BOOL CALLBACK each_box(HWND w, LPARAM count) {
  char cls[64], title[256], text[1024];
  const char *p;
  HWND ok;
  RECT r;
  GetClassNameA(w, cls, sizeof cls);
  if (!IsWindowVisible(w) || strcmp(cls, "#32770") != 0) return TRUE;
  GetWindowTextA(w, title, sizeof title);
  text[0] = 0;
  GetDlgItemTextA(w, 0xFFFF, text, sizeof text); /* a message box's text */
  printf("title=%s\ntext=", title);
  for (p = text; *p; ++p) { /* one line, its breaks as \n */
    if (*p == '\n') fputs("\\n", stdout);
    else if (*p != '\r') putchar(*p);
  }
  putchar('\n');
  ok = GetDlgItem(w, IDOK);
  if (ok && GetWindowRect(ok, &r)) printf("ok=%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  ++*(int *)count;
  return TRUE;
}

static int message(void) {
  int count = 0;
  EnumWindows(each_box, (LPARAM)&count);
  printf("boxes=%d\n", count);
  return 0;
}

static BOOL CALLBACK each_monitor(HMONITOR m, HDC dc, LPRECT clip, LPARAM primary) {
  MONITORINFO mi;
  (void)dc;
  (void)clip;
  mi.cbSize = sizeof mi;
  if (GetMonitorInfoA(m, &mi) && ((mi.dwFlags & MONITORINFOF_PRIMARY) != 0) == (primary != 0)) {
    printf("monitor=%ld %ld %ld %ld work %ld %ld %ld %ld\n", mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right,
           mi.rcMonitor.bottom, mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom);
  }
  return TRUE;
}

static int monitors(void) {
  EnumDisplayMonitors(NULL, NULL, each_monitor, 1);
  EnumDisplayMonitors(NULL, NULL, each_monitor, 0);
  return 0;
}

static int key_access(const char *path, REGSAM access) {
  SID_IDENTIFIER_AUTHORITY world = {SECURITY_WORLD_SID_AUTHORITY};
  PSID everyone = NULL;
  char acl_data[256];
  PACL acl = (PACL)acl_data;
  SECURITY_DESCRIPTOR sd;
  HKEY key;
  LONG result;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return 1;
  InitializeAcl(acl, sizeof acl_data, ACL_REVISION);
  AddAccessAllowedAce(acl, ACL_REVISION, access, everyone);
  InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
  result = RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, WRITE_DAC, &key);
  if (result == ERROR_SUCCESS) {
    result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
    RegCloseKey(key);
  }
  FreeSid(everyone);
  printf("access=%ld\n", result);
  return result == ERROR_SUCCESS ? 0 : 1;
}

static LRESULT CALLBACK cover_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    FillRect(dc, &ps.rcPaint, (HBRUSH)GetStockObject(DKGRAY_BRUSH));
    EndPaint(w, &ps);
    return 0;
  }
  return DefWindowProcA(w, m, wp, lp);
}

static int cover(int x, int y, int width, int height, int seconds, int topmost) {
  WNDCLASSA wc = {0};
  HWND w;
  MSG msg;
  DWORD end = GetTickCount() + (DWORD)seconds * 1000;
  wc.lpfnWndProc = cover_proc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.lpszClassName = "ProbeCover";
  RegisterClassA(&wc);
  /* A normal one carries a system menu, so a window manager manages it
     and stacks it with the globe. */
  w = CreateWindowExA((topmost ? WS_EX_TOPMOST : 0) | WS_EX_TOOLWINDOW, "ProbeCover", "cover",
                      WS_POPUP | (topmost ? 0 : WS_SYSMENU), x, y, width, height, NULL, NULL, wc.hInstance, NULL);
  ShowWindow(w, SW_SHOWNOACTIVATE);
  printf("cover=shown\n");
  fflush(stdout);
  while ((LONG)(end - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  DestroyWindow(w);
  return 0;
}

static int value(const char *path, const char *name) {
  wchar_t wide_name[256], data[1024];
  char text[4096];
  DWORD type = 0, size = sizeof data - sizeof(wchar_t);
  HKEY key;
  LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key);
  if (result == ERROR_SUCCESS) {
    MultiByteToWideChar(CP_ACP, 0, name, -1, wide_name, 256);
    result = RegQueryValueExW(key, wide_name, NULL, &type, (BYTE *)data, &size);
    RegCloseKey(key);
  }
  printf("result=%ld\ntype=%lu\n", result, (unsigned long)type);
  if (result != ERROR_SUCCESS) return 1;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    data[size / sizeof(wchar_t)] = 0;
    WideCharToMultiByte(CP_UTF8, 0, data, -1, text, sizeof text, NULL, NULL);
    printf("data=%s\n", text);
  }
  return 0;
}

static int session(const char *change) {
  HWND g = FindWindowA("NivarraGlobe", NULL);
  const WPARAM code = strcmp(change, "lock") == 0 ? WTS_SESSION_LOCK : WTS_SESSION_UNLOCK;
  const BOOL posted = g != NULL && PostMessageA(g, WM_WTSSESSION_CHANGE, code, 1);
  printf("posted=%d\n", posted ? 1 : 0);
  return posted ? 0 : 1;
}

static int front(void) {
  HWND g = FindWindowA("NivarraGlobe", NULL);
  DWORD process = 0;
  BOOL posted;
  if (g != NULL) GetWindowThreadProcessId(g, &process);
  AllowSetForegroundWindow(process);
  posted = g != NULL && PostMessageW(g, RegisterWindowMessageW(L"Nivarra.ComeToFront"), 0, 0);
  printf("posted=%d\n", posted ? 1 : 0);
  return posted ? 0 : 1;
}

int main(int argc, char **argv) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  if (argc >= 2 && strcmp(argv[1], "globe") == 0) return globe();
  if (argc >= 2 && strcmp(argv[1], "message") == 0) return message();
  if (argc >= 2 && strcmp(argv[1], "monitors") == 0) return monitors();
  if (argc >= 3 && strcmp(argv[1], "readonly") == 0) return key_access(argv[2], KEY_READ);
  if (argc >= 3 && strcmp(argv[1], "writable") == 0) return key_access(argv[2], KEY_ALL_ACCESS);
  if (argc >= 4 && strcmp(argv[1], "value") == 0) return value(argv[2], argv[3]);
  if (argc >= 3 && strcmp(argv[1], "session") == 0) return session(argv[2]);
  if (argc >= 2 && strcmp(argv[1], "front") == 0) return front();
  if (argc >= 7 && strcmp(argv[1], "cover") == 0) {
    return cover(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]),
                 !(argc >= 8 && strcmp(argv[7], "normal") == 0));
  }
  fprintf(stderr, "usage: probe globe | message | monitors | readonly KEY | writable KEY | "
                  "cover X Y W H SECONDS [normal] | value KEY NAME | session lock|unlock | front\n");
  return 2;
}

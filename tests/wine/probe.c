/* Looks at the desktop from another Windows process, for the end-to-end
 * tests:
 *   probe globe     the globe window: rectangle, styles, owner, the
 *                   application window's visibility, work area and screen
 *   probe message   visible message boxes: title, text, the OK button
 *   probe cover X Y W H SECONDS
 *                   a plain topmost window over that rectangle for a while
 * Output: one "key=value" per line. */
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
  return 0;
}

static BOOL CALLBACK each_box(HWND w, LPARAM count) {
  char cls[64], title[256], text[1024];
  HWND ok;
  RECT r;
  GetClassNameA(w, cls, sizeof cls);
  if (!IsWindowVisible(w) || strcmp(cls, "#32770") != 0) return TRUE;
  GetWindowTextA(w, title, sizeof title);
  text[0] = 0;
  GetDlgItemTextA(w, 0xFFFF, text, sizeof text); /* a message box's text */
  printf("title=%s\ntext=%s\n", title, text);
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

static int cover(int x, int y, int width, int height, int seconds) {
  WNDCLASSA wc = {0};
  HWND w;
  MSG msg;
  DWORD end = GetTickCount() + (DWORD)seconds * 1000;
  wc.lpfnWndProc = cover_proc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.lpszClassName = "ProbeCover";
  RegisterClassA(&wc);
  w = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "ProbeCover", "cover", WS_POPUP, x, y, width, height, NULL,
                      NULL, wc.hInstance, NULL);
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

int main(int argc, char **argv) {
  if (argc >= 2 && strcmp(argv[1], "globe") == 0) return globe();
  if (argc >= 2 && strcmp(argv[1], "message") == 0) return message();
  if (argc >= 7 && strcmp(argv[1], "cover") == 0) {
    return cover(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]));
  }
  fprintf(stderr, "usage: probe globe | message | cover X Y W H SECONDS\n");
  return 2;
}

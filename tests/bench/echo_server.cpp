// The smallest server built like the remote-control server: one listening
// socket and one peer, both driven by WSAAsyncSelect messages on a window,
// reading at most 100 bytes per notification. It sends every block back as
// it came, so it measures what Winsock and the message loop cost alone.
//   bench_echo_server PORT
#include <winsock.h>
#include <windows.h>

#include <cstdlib>

namespace {

const UINT WM_LISTENER = WM_APP;
const UINT WM_PEER = WM_APP + 1;
SOCKET listener = INVALID_SOCKET;
SOCKET peer = INVALID_SOCKET;

void SendAll(const char* data, int length)
{
    while (length > 0) {
        int sent = send(peer, data, length, 0);
        if (sent == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK)
                return;
            Sleep(0);
            continue;
        }
        data += sent;
        length -= sent;
    }
}

LRESULT CALLBACK EchoProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LISTENER) {
        if (peer != INVALID_SOCKET)
            closesocket(peer);
        peer = accept(listener, nullptr, nullptr);
        if (peer != INVALID_SOCKET)
            WSAAsyncSelect(peer, window, WM_PEER, FD_READ | FD_CLOSE);
        return 0;
    }
    if (message == WM_PEER && (SOCKET)wParam == peer) {
        if (WSAGETSELECTEVENT(lParam) == FD_READ) {
            char data[100];
            int received = recv(peer, data, sizeof data, 0);
            if (received > 0)
                SendAll(data, received);
        } else if (WSAGETSELECTEVENT(lParam) == FD_CLOSE) {
            closesocket(peer);
            peer = INVALID_SOCKET;
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return 1;
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = EchoProc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "BenchEchoServer";
    RegisterClassA(&window_class);
    HWND window = CreateWindowA("BenchEchoServer", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                window_class.hInstance, nullptr);

    listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons((u_short)atoi(argv[1]));
    if (bind(listener, (sockaddr*)&address, sizeof address) == SOCKET_ERROR ||
        listen(listener, 1) == SOCKET_ERROR ||
        WSAAsyncSelect(listener, window, WM_LISTENER, FD_ACCEPT) == SOCKET_ERROR)
        return 1;

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

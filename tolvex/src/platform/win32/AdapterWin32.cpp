// Direct3D adapters that rasterise on the CPU: Microsoft's Basic Render Driver (WARP, as in
// virtual machines and remote desktops), the reference device, and wine's Direct3D over a
// software OpenGL. wine draws Direct3D with OpenGL and names a made-up card for it (a GeForce
// under llvmpipe), so there the OpenGL renderer beneath says what really draws.
#include <SDL.h>
#include <SDL_system.h>
#include <windows.h>
// After windows.h, which they need.
#include <d3d11.h>
#include <d3d9.h>
#include <dxgi.h>

#include "platform/Adapter.h"
#include "platform/win32/WideText.h"

namespace tolvex {

namespace {

// The Basic Render Driver's PCI identity, which WARP reports too.
constexpr unsigned kMicrosoftVendor = 0x1414;
constexpr unsigned kBasicRenderDevice = 0x008C;

bool CpuAdapter(unsigned vendor, unsigned device, const char* description) {
    return (vendor == kMicrosoftVendor && device == kBasicRenderDevice) ||
           NamesCpuRasteriser(description);
}

bool UnderWine() {
    HMODULE system = GetModuleHandleW(L"ntdll.dll");
    return system != nullptr && GetProcAddress(system, "wine_get_version") != nullptr;
}

// The renderer of an OpenGL context made for the question in a hidden window of its own.
bool OpenGlOnCpu() {
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (probe == nullptr) {
        return false;
    }
    bool cpu = false;
    if (SDL_GLContext context = SDL_GL_CreateContext(probe)) {
        cpu = CurrentGlOnCpu();
        SDL_GL_DeleteContext(context);
    }
    SDL_DestroyWindow(probe);
    return cpu;
}

bool Direct3D9OnCpu(IDirect3DDevice9* device) {
    D3DDEVICE_CREATION_PARAMETERS creation{};
    IDirect3D9* direct3d = nullptr;
    D3DADAPTER_IDENTIFIER9 adapter{};
    const bool known =
        SUCCEEDED(device->GetCreationParameters(&creation)) &&
        SUCCEEDED(device->GetDirect3D(&direct3d)) &&
        SUCCEEDED(direct3d->GetAdapterIdentifier(creation.AdapterOrdinal, 0, &adapter));
    if (direct3d != nullptr) {
        direct3d->Release();
    }
    if (!known) {
        return false;
    }
    return creation.DeviceType != D3DDEVTYPE_HAL ||
           CpuAdapter(adapter.VendorId, adapter.DeviceId, adapter.Description);
}

bool Direct3D11OnCpu(ID3D11Device* device) {
    IDXGIDevice* dxgi = nullptr;
    IDXGIAdapter* adapter = nullptr;
    DXGI_ADAPTER_DESC desc{};
    const bool known =
        SUCCEEDED(device->QueryInterface(__uuidof(IDXGIDevice), reinterpret_cast<void**>(&dxgi))) &&
        SUCCEEDED(dxgi->GetAdapter(&adapter)) && SUCCEEDED(adapter->GetDesc(&desc));
    if (adapter != nullptr) {
        adapter->Release();
    }
    if (dxgi != nullptr) {
        dxgi->Release();
    }
    if (!known) {
        return false;
    }
    return CpuAdapter(desc.VendorId, desc.DeviceId, Utf8(desc.Description).c_str());
}

}  // namespace

bool AdapterDrawsOnCpu(SDL_Renderer* renderer) {
    // Each gives a reference of its own, or null when the renderer is of another kind.
    bool direct3d = false;
    bool cpu = false;
    if (IDirect3DDevice9* device = SDL_RenderGetD3D9Device(renderer)) {
        direct3d = true;
        cpu = Direct3D9OnCpu(device);
        device->Release();
    } else if (ID3D11Device* device = SDL_RenderGetD3D11Device(renderer)) {
        direct3d = true;
        cpu = Direct3D11OnCpu(device);
        device->Release();
    }
    return cpu || (direct3d && UnderWine() && OpenGlOnCpu());
}

}  // namespace tolvex

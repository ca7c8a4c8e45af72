#include "plugin/shell/base_am_shell.h"

cBaseAmShell::cBaseAmShell(std::unique_ptr<cVelvane_ALG> algorithm) noexcept : algorithm_(std::move(algorithm)) {}

cBaseAmShell::~cBaseAmShell() { algorithm_.reset(); }

HRESULT cBaseAmShell::BindProcessSide() noexcept {
    return algorithm_ && algorithm_->InitProcessCode(this) == eNoErr ? S_OK : E_OUTOFMEMORY;
}

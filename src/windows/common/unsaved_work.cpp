#include "windows/common/unsaved_work.h"

namespace kt::windows {
namespace {

UnsavedWork g_keepsNothing;
UnsavedWork* g_current = &g_keepsNothing;

} // namespace

UnsavedWork::~UnsavedWork() = default;

UnsavedWork& UnsavedWork::current() {
    return *g_current;
}

void UnsavedWork::install(UnsavedWork* work) {
    g_current = work ? work : &g_keepsNothing;
}

} // namespace kt::windows

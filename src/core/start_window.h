#pragma once
namespace core {
void registerCoreWindows();
}

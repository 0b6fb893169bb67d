#pragma once
// The program's page table: the pages of every position of the wizard.
#include <array>

#include "core/Iglobals.h"

std::array<TPageFactory, 10> DefaultPageTable();
// Makes it the installer state's page table and the one ResetInstallerState puts back.
void InstallProgramPages();

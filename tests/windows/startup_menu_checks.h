// What the main menu must look like before any drawing is open. Shared by
// the test that reads the menu resource out of kerfline.exe and the one that
// creates the main window inside the test program.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "resource.h"

#include <gtest/gtest.h>

#include <string>

namespace kerfline::test {

inline constexpr UINT kNoSuchItem = static_cast<UINT>(-1);

inline bool isGrayed(UINT state) { return state != kNoSuchItem && (state & MF_GRAYED) != 0; }

inline bool isEnabled(UINT state) {
    return state != kNoSuchItem && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

inline std::string menuText(HMENU menu, UINT item, UINT flag) {
    char text[128] = {};
    int length = GetMenuStringA(menu, item, text, static_cast<int>(sizeof text), flag);
    return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

// File, Image, Help; with nothing open only Open, Exit and About can be
// chosen, and the Image menu is greyed as a whole.
inline void expectStartupMenu(HMENU bar) {
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    EXPECT_EQ(menuText(bar, 0, MF_BYPOSITION), "&File");
    EXPECT_EQ(menuText(bar, 1, MF_BYPOSITION), "&Image");
    EXPECT_EQ(menuText(bar, 2, MF_BYPOSITION), "&Help");

    const UINT fileState = GetMenuState(bar, 0, MF_BYPOSITION);
    const UINT imageState = GetMenuState(bar, 1, MF_BYPOSITION);
    const UINT helpState = GetMenuState(bar, 2, MF_BYPOSITION);
    EXPECT_TRUE(isEnabled(fileState));
    EXPECT_TRUE(isGrayed(imageState)) << "the Image menu must be greyed until a file is open";
    EXPECT_TRUE(isEnabled(helpState));

    HMENU file = GetSubMenu(bar, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(GetMenuItemCount(file), 7);  // Open, Save, Save As, -, Print, -, Exit
    EXPECT_TRUE(isEnabled(GetMenuState(file, IDM_FILE_OPEN, MF_BYCOMMAND)));
    EXPECT_TRUE(isGrayed(GetMenuState(file, IDM_FILE_SAVE, MF_BYCOMMAND)));
    EXPECT_TRUE(isGrayed(GetMenuState(file, IDM_FILE_SAVEAS, MF_BYCOMMAND)));
    EXPECT_TRUE(isGrayed(GetMenuState(file, IDM_FILE_PRINT, MF_BYCOMMAND)));
    EXPECT_TRUE(isEnabled(GetMenuState(file, IDM_FILE_EXIT, MF_BYCOMMAND)));
    EXPECT_TRUE(GetMenuState(file, 3, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_TRUE(GetMenuState(file, 5, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(menuText(file, IDM_FILE_OPEN, MF_BYCOMMAND), "&Open...");
    EXPECT_EQ(menuText(file, IDM_FILE_SAVE, MF_BYCOMMAND), "&Save");
    EXPECT_EQ(menuText(file, IDM_FILE_SAVEAS, MF_BYCOMMAND), "Save &As...");
    EXPECT_EQ(menuText(file, IDM_FILE_PRINT, MF_BYCOMMAND), "&Print...");
    EXPECT_EQ(menuText(file, IDM_FILE_EXIT, MF_BYCOMMAND), "E&xit");

    HMENU image = GetSubMenu(bar, 1);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(GetMenuItemCount(image), 5);
    const UINT imageCommands[] = {IDM_IMAGE_INFO, IDM_IMAGE_FRAME, IDM_IMAGE_SCALE,
                                  IDM_IMAGE_ROTATE, IDM_IMAGE_MOVE};
    for (UINT position = 0; position < 5; ++position) {
        // In this order, and enabled themselves: the popup greys them all.
        EXPECT_EQ(GetMenuItemID(image, static_cast<int>(position)), imageCommands[position]);
        EXPECT_TRUE(isEnabled(GetMenuState(image, position, MF_BYPOSITION)));
    }

    HMENU help = GetSubMenu(bar, 2);
    ASSERT_NE(help, nullptr);
    ASSERT_EQ(GetMenuItemCount(help), 1);
    EXPECT_EQ(GetMenuItemID(help, 0), static_cast<UINT>(IDM_HELP_ABOUT));
    EXPECT_TRUE(isEnabled(GetMenuState(help, IDM_HELP_ABOUT, MF_BYCOMMAND)));
    EXPECT_EQ(menuText(help, IDM_HELP_ABOUT, MF_BYCOMMAND), "&About...");
}

}  // namespace kerfline::test

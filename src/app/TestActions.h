#pragma once
// The end-to-end script player (QUILLBOX2_TEST_ACTIONS, see TestActionsPlayer.cpp). Only
// development builds call this (CMake option QB_TEST_ACTIONS); the program that is installed
// or packaged never does, so the player is not even linked into it.

// Makes the main window play QUILLBOX2_TEST_ACTIONS after its first activation.
void EnableTestActionsPlayer();

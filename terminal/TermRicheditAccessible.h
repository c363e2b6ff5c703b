#pragma once

// Makes assistive tools see the terminal view's received data as read-only text (its text,
// caret, selection and character extents), read from the view's store when asked.
void InstallTermRicheditAccessible();

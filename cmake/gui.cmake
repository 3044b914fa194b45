# Qt program: filled in with the windows.

// Filled in with the wait popup.

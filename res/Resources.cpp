// Filled in with the resource lookups.

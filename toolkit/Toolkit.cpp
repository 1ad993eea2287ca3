// Filled in with the client.

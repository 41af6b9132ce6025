// Filled in as it is built.

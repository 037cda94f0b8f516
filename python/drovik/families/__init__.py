"""The card families of a reader, one module each."""

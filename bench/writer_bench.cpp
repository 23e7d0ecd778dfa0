// Saving whole images through the writer.

# End-to-end runs of the real editor.

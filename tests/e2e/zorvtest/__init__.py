"""End-to-end harness: the real installer under Wine on a virtual display."""

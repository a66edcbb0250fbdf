# The sharing server under 50 concurrent clients: site checks and durable commits per second.
marvo_bench(share_server LINKS marvo_server)

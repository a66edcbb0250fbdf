# Request decoding of the sharing server.
marvo_fuzz(share_request LINKS marvo_server)

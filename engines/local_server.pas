{ Where the "Local" engine finds the local result server. Programs that
  start a server of their own write this unit again with its address. }
const
  LocalServer = 'http://127.0.0.1:8080';

begin
end.
